#include "config/catalogue.h"

#include "config/language.h"
#include "config/xml_values.h"
#include "shell/app_folders.h"
#include "xml/xml_document.h"

namespace veltra {
namespace {

void ReadModels(XmlReader& xml, const std::filesystem::path& image_folder, Catalogue& catalogue) {
    while (xml.FindElem("mouse")) {
        DeviceModelEntry model;
        model.name = xml.GetAttrib("name");
        model.device_type = DecimalAttrib(xml, "device_type");
        model.file_stem = xml.GetAttrib("device_attr");
        model.image = (image_folder / xml.GetAttrib("image")).string();
        catalogue.models.push_back(model);
        xml.IntoElem();
        while (xml.FindElem("mode")) {
            DeviceModelEntry mode = model;
            mode.connection_mode = DecimalAttrib(xml, "value");
            mode.description = xml.GetAttrib("desc");
            mode.vid = HexAttrib(xml, "vid");
            mode.pid = HexAttrib(xml, "pid");
            mode.device_id = xml.GetAttrib("dev_id");
            catalogue.modes.push_back(std::move(mode));
        }
        xml.OutOfElem();
    }
}

// Takes `attribute` of the next `name` element when there is one.
void ReadLink(XmlReader& xml, std::string_view name, std::string_view attribute, std::string& out) {
    if (xml.FindElem(name)) {
        out = xml.GetAttrib(attribute);
    }
}

void ReadSoftware(XmlReader& xml, SoftwareInfo& software) {
    software.found = true;
    software.caption = xml.GetAttrib("caption");
    software.version = xml.GetAttrib("version");
    xml.IntoElem();
    ReadLink(xml, "website", "url", software.website);
    ReadLink(xml, "feedback", "url", software.feedback);
    ReadLink(xml, "qa", "url", software.qa);
    ReadLink(xml, "store", "url", software.store);
    if (xml.FindElem("upgrade")) {
        software.upgrade = xml.GetAttrib("url");
        software.upgrade_firmware = xml.GetAttrib("firmware");
    }
    ReadLink(xml, "copyright", "info", software.copyright);
    xml.OutOfElem();
}

}  // namespace

Catalogue ReadCatalogue(const std::filesystem::path& config_file,
                        const std::filesystem::path& skin_folder) {
    Catalogue catalogue;
    XmlReader xml;
    if (!xml.Load(config_file) || !xml.FindElem("config")) {
        return catalogue;
    }
    xml.IntoElem();
    if (xml.FindElem("device")) {
        xml.IntoElem();
        ReadModels(xml, skin_folder / "device", catalogue);
        xml.OutOfElem();
    }
    if (xml.FindElem("software")) {
        ReadSoftware(xml, catalogue.software);
    }
    return catalogue;
}

Catalogue LoadCatalogue() {
    return ReadCatalogue(ProgramFolder() / "config.xml", SkinFolder());
}

std::string FindFileStem(const std::vector<DeviceModelEntry>& models, int device_type) {
    for (const DeviceModelEntry& model : models) {
        if (model.device_type == device_type) {
            return model.file_stem;
        }
    }
    return {};
}

std::string FormatVersionLabel(const std::string& version) {
    return GetLangText(21) + ": v" + version;
}

}  // namespace veltra
