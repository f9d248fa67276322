#pragma once

#include "config/catalogue.h"

namespace veltra {

class DriverComm;

// Empties DriverComm's catalogue and adds one entry per mode, in catalogue order.
void RebuildDriverCatalogue(const Catalogue& catalogue, DriverComm& comm);

}  // namespace veltra
