#include "frontend/catalogue_loader.h"

#include "device/driver_catalogue.h"
#include "device/driver_comm.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"

namespace veltra {

void LoadCatalogue(CatalogueState& state, ModelState& model, CatalogueView& catalogue_view,
                   ModelView& model_view, DriverComm& comm, ProfileStore& store) {
    state.catalogue = ReadCatalogue(ProgramFolder() / "config.xml", SkinFolder());
    const Catalogue& catalogue = state.catalogue;
    catalogue_view.ClearDeviceList();
    for (const DeviceModelEntry& entry : catalogue.models) {
        catalogue_view.AddDeviceListEntry(entry.name, entry.device_type, entry.image);
    }
    RebuildDriverCatalogue(catalogue, comm);
    if (catalogue.software.found) {
        catalogue_view.SetVersionLabel(FormatVersionLabel(catalogue.software.version));
    }

    catalogue_view.DeleteAllModelItems();
    for (const DeviceModelEntry& entry : catalogue.models) {
        catalogue_view.AddModelItem(entry.name, entry.device_type);
    }
    if (!catalogue.models.empty()) {
        catalogue_view.SetModelCurSel(0);
        catalogue_view.SelectModelData(ReadDeviceType());
    }
    catalogue_view.SetModelComboVisible(catalogue.models.size() != 1);

    state.current_device_type = catalogue_view.ModelCurData();
    comm.SetCurrentDeviceType(state.current_device_type);

    ApplyDeviceModel(catalogue.models, store, model, model_view);
}

}  // namespace veltra
