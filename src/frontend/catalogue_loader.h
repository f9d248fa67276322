#pragma once

// Loading the device catalogue into the main window: the device list, the model combo box, the
// version label, the device link's catalogue and current device type, then the selected model.

#include "config/catalogue.h"
#include "config/device_description.h"
#include "config/model_view.h"

namespace veltra {

class DriverComm;
class ProfileStore;

// What the main window keeps of the configuration file.
struct CatalogueState {
    Catalogue catalogue;  // the model list, the mode list, the version and the links
    int current_device_type = 0;
};

// Reads ProgramFolder()/config.xml afresh and fills the views, selecting the model of the stored
// DeviceType (the first model when none carries it), which becomes the current device type of
// `comm` and `state`; then applies the stored model (ApplyDeviceModel). Without a usable file the
// catalogue is empty, the combo box stays empty and the version label is left alone. Registering
// for device notifications is the caller's next step.
void LoadCatalogue(CatalogueState& state, ModelState& model, CatalogueView& catalogue_view,
                   ModelView& model_view, DriverComm& comm, ProfileStore& store);

}  // namespace veltra
