#pragma once
// What the skin is drawn from: the theme colour and the models of config.xml, and each model's
// description file (its picture names, lighting flag and button points).
#include <QColor>
#include <QPoint>
#include <QString>
#include <vector>

namespace veltra::skin {

struct ButtonSpot {
    int name_id = 0;  // language id of the button's name, which says which button it is
    QPoint point;     // (x1, y1) of the rect: on the button, in the button picture's coordinates
};

struct ModelArt {
    QString description;   // the file, for messages
    QString picture;       // below the skin folder, '/' separated
    QString list_picture;  // config.xml's `image`, below the skin folder; may be empty
    bool lighting = false;
    std::vector<ButtonSpot> buttons;
};

struct SkinInputs {
    QColor theme;
    std::vector<ModelArt> models;  // in catalogue order
};

// Reads config.xml and the description of each of its models from `device_folder`. Anything the
// pictures cannot be drawn from (a missing file, a model without picture or buttons, a rect that
// is not six numbers) is an error: the build must not ship pictures that disagree with the data.
bool ReadSkinInputs(const QString& config_file, const QString& device_folder, SkinInputs& inputs,
                    QString& error);

}  // namespace veltra::skin
