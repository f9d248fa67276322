#pragma once

// The per-model profile database and its process-wide store object. Every operation takes the
// store's recursive lock, opening, closing and deleting the file included, so a table operation
// never sees its connection change underneath it. Failures are silent: writes return false or 0,
// reads return false or no records.

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "store/sqlite_db.h"
#include "store/store_records.h"

namespace veltra {

class ProfileStore {
  public:
    // The process-wide store, created on first use.
    static ProfileStore& Instance();

    ProfileStore() = default;
    virtual ~ProfileStore();
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    // <folder>/db/<stem>_data_test.db
    static std::filesystem::path DeviceStorePath(const std::filesystem::path& folder,
                                                 std::string_view stem);

    // Opens the model's file, creating it with the schema when it does not exist. An existing
    // file is opened as it is: nothing is created, checked or migrated. Sets the open flag.
    bool OpenDeviceStore(const std::filesystem::path& folder, std::string_view stem);
    void DeleteDeviceStore(const std::filesystem::path& folder, std::string_view stem);
    bool Close();
    bool IsOpen() const;

    // Closes the current file, opens the model's file and records its device type.
    bool SwitchDeviceModel(const std::filesystem::path& folder, std::string_view stem,
                           int device_type);
    // As SwitchDeviceModel, but deletes the model's file first, so it starts empty.
    bool ResetDeviceStore(const std::filesystem::path& folder, std::string_view stem,
                          int device_type);

    // Holds the store lock for a sequence of operations that must not interleave with another
    // thread's, such as creating the default profiles of an empty file.
    std::unique_lock<std::recursive_mutex> Lock() const;

    std::string Path() const;
    int DeviceType() const;
    void SetDeviceType(int device_type);
    bool OpenFlag() const;
    void SetOpenFlag(bool open);

    // Settings and profiles.
    bool GetConfig(int profile, std::string_view key, std::string& value);
    bool SetConfig(int profile, std::string_view key, std::string_view value);
    void WriteDefaults(int profile);
    int AddProfile(const ProfileRecord& record);
    int LoadProfiles(std::vector<ProfileRecord>& records);
    bool SetActiveProfile(int profile);
    // The first profile with status 1, or 0.
    int GetActiveProfile();

    // Button assignments. Reads and the description update always use layer 0.
    // Replaces the row of the record's key; the factory function (values 0 and 0) only removes
    // it. The new row id, or 0 for the factory function and after a failure.
    int SaveKeyAssignment(const KeyAssignment& record);
    bool LoadKeyAssignment(int profile, int fn_layer, int key_code, KeyAssignment& record);
    bool SetKeyMacroDesc(int profile, int fn_layer, int key_code, std::string_view text);
    int LoadKeyAssignments(int profile, int fn_layer, std::vector<KeyAssignment>& records);
    // False when the row may still be there; no row to remove is success.
    bool DeleteKeyAssignment(int profile, int fn_layer, int key_code);
    bool DeleteKeyAssignments(int profile);

    // Lighting modes.
    int CountLightModes(int profile);
    int AddLightMode(const LightMode& record);
    bool UpdateLightMode(int profile, int mode, const LightMode& record);
    bool SetActiveLightMode(int profile, int mode);
    int GetActiveLightMode(int profile);
    bool LoadLightMode(int profile, int mode, LightMode& record);
    int LoadLightModes(int profile, std::vector<LightMode>& records);

    // Macros and their records.
    int AddMacro(std::string_view name);
    int AddMacroWithSettings(const MacroInfo& record);
    bool RenameMacro(int macro_id, std::string_view name);
    bool UpdateMacro(const MacroInfo& record);
    bool DeleteMacro(int macro_id);
    bool LoadMacro(int macro_id, MacroInfo& record);
    int LoadMacros(std::vector<MacroInfo>& records);
    int AddMacroRecord(const MacroRecord& record);
    // All records in one transaction.
    void AddMacroRecords(const std::vector<MacroRecord>& records);
    int LoadMacroRecords(int macro_id, std::vector<MacroRecord>& records);
    bool DeleteMacroRecords(int macro_id);

  private:
    bool CreateSchema();
    bool OpenModel(const std::filesystem::path& folder, std::string_view stem, int device_type,
                   bool start_empty);
    // Runs a prepared write and gives the new row id, or 0 when the step failed.
    int StepInsert(SQLiteStatement& statement);

    mutable std::recursive_mutex lock_;
    SQLiteDB db_;
    std::string path_;
    int device_type_ = 0;
    bool open_flag_ = false;
};

}  // namespace veltra
