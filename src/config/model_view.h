#pragma once

// What loading the catalogue and applying a device model need of the main window's controls.
// The window implements these; the core operations decide what to show, in which order.

#include <array>
#include <string>

namespace veltra {

struct ViewPoint {
    int x = 0;
    int y = 0;

    bool operator==(const ViewPoint&) const = default;
};

struct ViewSize {
    int width = 0;
    int height = 0;
};

struct ViewRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const ViewRect&) const = default;
};

// The device list, the model combo box and the version label.
class CatalogueView {
  public:
    virtual ~CatalogueView() = default;

    virtual void ClearDeviceList() = 0;
    // `image` is the full path of the model's picture.
    virtual void AddDeviceListEntry(const std::string& name, int device_type,
                                    const std::string& image) = 0;

    virtual void DeleteAllModelItems() = 0;
    virtual void AddModelItem(const std::string& text, int data) = 0;
    virtual void SetModelCurSel(int index) = 0;
    // Selects the first item carrying `data`; nothing changes when no item carries it.
    virtual void SelectModelData(int data) = 0;
    // The data of the selected item; 0 when no item is selected.
    virtual int ModelCurData() const = 0;
    virtual void SetModelComboVisible(bool visible) = 0;

    virtual void SetVersionLabel(const std::string& text) = 0;
};

// The model's pictures, the lighting tab and the button picture control.
class ModelView {
  public:
    virtual ~ModelView() = default;

    // Gives the picture to both the home page picture and the button page picture.
    virtual void SetModelPictures(const std::string& image) = 0;
    virtual ViewRect ClientRect() const = 0;
    // The size of the home page picture's current image.
    virtual ViewSize HomePictureImageSize() const = 0;
    virtual void SetButtonPagePictureRect(const ViewRect& rect) = 0;

    virtual void SetLightingTabVisible(bool visible) = 0;

    virtual void DeleteAllButtons() = 0;
    virtual void AddButton(const std::string& text, int key_value, int direction,
                           const std::array<ViewPoint, 3>& points) = 0;
};

}  // namespace veltra
