#include "skin_inputs.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QXmlStreamReader>

namespace veltra::skin {
namespace {

// Skin file names may use either separator; the skin folder is written with '/'.
QString SkinName(QString name) {
    return name.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

bool ParsePoint(const QString& rect, QPoint& point) {
    const QStringList parts = rect.split(QLatin1Char('#'));
    if (parts.size() != 6) {
        return false;
    }
    bool ok_x = false;
    bool ok_y = false;
    point = QPoint(parts[0].trimmed().toInt(&ok_x), parts[1].trimmed().toInt(&ok_y));
    return ok_x && ok_y;
}

bool ReadDescription(const QString& file, ModelArt& model, QString& error) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        error = file + QStringLiteral(": cannot be read");
        return false;
    }
    model.description = file;
    QXmlStreamReader xml(&in);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto attrs = xml.attributes();
        if (xml.name() == QLatin1String("image_file")) {
            model.picture = SkinName(attrs.value(QLatin1String("img")).toString());
        } else if (xml.name() == QLatin1String("menu")) {
            model.lighting = attrs.value(QLatin1String("light")) == QLatin1String("1");
        } else if (xml.name() == QLatin1String("key")) {
            ButtonSpot spot;
            bool ok = false;
            spot.name_id = attrs.value(QLatin1String("name")).toInt(&ok);
            const QString rect = attrs.value(QLatin1String("rect")).toString();
            if (!ok || !ParsePoint(rect, spot.point)) {
                error = file + QStringLiteral(": key with name \"") +
                        attrs.value(QLatin1String("name")).toString() +
                        QStringLiteral("\" and rect \"") + rect + QStringLiteral("\" is unusable");
                return false;
            }
            model.buttons.push_back(spot);
        }
    }
    if (xml.hasError()) {
        error = file + QStringLiteral(": ") + xml.errorString();
        return false;
    }
    if (model.picture.isEmpty() || model.buttons.empty()) {
        error = file + QStringLiteral(": needs an image_file and keys");
        return false;
    }
    return true;
}

}  // namespace

bool ReadSkinInputs(const QString& config_file, const QString& device_folder, SkinInputs& inputs,
                    QString& error) {
    QFile in(config_file);
    if (!in.open(QIODevice::ReadOnly)) {
        error = config_file + QStringLiteral(": cannot be read");
        return false;
    }
    QXmlStreamReader xml(&in);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto attrs = xml.attributes();
        if (xml.name() == QLatin1String("software")) {
            inputs.theme = QColor(attrs.value(QLatin1String("themecolor")).toString());
        } else if (xml.name() == QLatin1String("mouse")) {
            ModelArt model;
            const QString stem = attrs.value(QLatin1String("device_attr")).toString();
            const QString image = attrs.value(QLatin1String("image")).toString();
            if (!image.isEmpty()) {
                model.list_picture = QStringLiteral("device/") + SkinName(image);
            }
            if (!ReadDescription(QDir(device_folder).filePath(stem + QStringLiteral(".xml")), model,
                                 error)) {
                return false;
            }
            inputs.models.push_back(model);
        }
    }
    if (xml.hasError()) {
        error = config_file + QStringLiteral(": ") + xml.errorString();
        return false;
    }
    if (!inputs.theme.isValid() || inputs.models.empty()) {
        error = config_file + QStringLiteral(": needs a software themecolor and a mouse");
        return false;
    }
    return true;
}

}  // namespace veltra::skin
