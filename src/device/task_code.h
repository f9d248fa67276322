#pragma once

// The task codes of the device worker's queue.

namespace veltra {

// A code outside this list is a valid value too: the queue takes it and the worker drops it.
enum class TaskCode : int {
    InitialSync = 1,
    DeviceArrival = 2,
    DeviceRemoval = 3,
    ModelChange = 4,
    ProfileChange = 7,
    MacroUpload = 8,
    KeyWrite = 9,
    LightingWrite = 11,
    DpiWrite = 12,
    ReportRateWrite = 13,
    PerformanceWrite = 14,
    PowerWrite = 15,
    LightingReset = 18,
    FactoryReset = 19,
    PointerSettings = 20,
    UpdateDriver = 21,
    UpdateFirmwareTool = 22,
    // Work another front end hands to the worker (DeviceWorker::QueueExternalCall).
    ExternalCall = 23,
};

}  // namespace veltra
