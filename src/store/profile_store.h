#pragma once

// The per-model profile database and its process-wide store object. Every operation takes the
// store's recursive lock, opening, closing and deleting the file included, so a table operation
// never sees its connection change underneath it. Failures are silent: writes return false or 0,
// reads return false or no records.
//
// Several processes may use one file at once (the window and veltractl): a connection waits for
// another's write lock, a new file appears only with its whole schema, and every operation that
// reads before it writes, or writes more than one statement that belong together, holds the
// write lock throughout.

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "store/sqlite_db.h"
#include "store/store_records.h"

namespace veltra {

// What the explicit health check finds in a model's file. Opening checks nothing, so a front end
// asks before it relies on the file.
enum class StoreCondition {
    kHealthy,
    kClosed,         // no file is open
    kEmptyFile,      // zero bytes
    kNotADatabase,   // not an SQLite file at all
    kDamaged,        // an SQLite file with broken pages (truncated, overwritten)
    kMissingTables,  // a database without the tables or columns of the schema
    kUnreadable,     // the check itself failed: busy beyond the timeout, I/O error, no access
};

struct StoreHealth {
    StoreCondition condition = StoreCondition::kClosed;
    // SQLite's message, or the missing tables and columns; empty when healthy.
    std::string detail;

    bool healthy() const { return condition == StoreCondition::kHealthy; }
    // Damaged in a way that only recreating the file repairs.
    bool damaged() const;
};

struct StoreReset {
    bool ok = false;
    // Where the old file was kept because it was not a healthy store; empty when it was deleted
    // or there was none. Set also when the new file could not be created afterwards.
    std::filesystem::path kept_copy;
    // Why the store could not be recreated.
    std::string error;
};

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
    // As SwitchDeviceModel, but the model's file starts empty. A healthy old file is deleted; one
    // that is not is kept beside it as "<name>.damaged-<local time>", since it may hold the
    // user's only copy of their profiles. When the old file can be neither deleted nor kept,
    // or the new one not created, the result says why and the old file, if still there, stays
    // open.
    StoreReset ResetDeviceStore(const std::filesystem::path& folder, std::string_view stem,
                                int device_type);

    // Reads the open file through: SQLite's structure check, then every table and column of
    // the schema. Changes nothing.
    StoreHealth CheckHealth();

    // Holds the store lock for a sequence of operations that must not interleave with another
    // thread's, such as creating the default profiles of an empty file.
    std::unique_lock<std::recursive_mutex> Lock() const;

    // Writes that reach the file together or not at all: holds the store lock and one write
    // transaction, which the operations called meanwhile on this thread join. Rolled back unless
    // committed, so a caller that sees one operation fail simply returns.
    class WriteBatch {
      public:
        // False when the write lock could not be had (no file, busy beyond the timeout).
        bool Started() const;
        bool Commit();

      private:
        friend class ProfileStore;
        explicit WriteBatch(ProfileStore& store);

        std::unique_lock<std::recursive_mutex> lock_;
        std::unique_ptr<SQLiteWriteTransaction> transaction_;
    };
    WriteBatch BeginWriteBatch();

    std::string Path() const;
    int DeviceType() const;
    void SetDeviceType(int device_type);
    bool OpenFlag() const;
    void SetOpenFlag(bool open);

    // Settings and profiles.
    bool GetConfig(int profile, std::string_view key, std::string& value);
    bool SetConfig(int profile, std::string_view key, std::string_view value);
    // True when every default row was inserted.
    bool WriteDefaults(int profile);
    int AddProfile(const ProfileRecord& record);
    // For a file without profiles: one profile per name with its defaults, the first one
    // active, all in one write transaction that first checks again that there are none, so
    // processes starting together create one set, and a failure leaves no profile behind. True
    // when the file holds profiles afterwards.
    bool CreateDefaultProfiles(const std::vector<std::string>& names);
    // Inserts the default of every settings key a profile lacks (SetConfig only updates, so a
    // missing row would swallow every later write). The number of rows restored.
    int RestoreMissingSettings();
    int LoadProfiles(std::vector<ProfileRecord>& records);
    bool SetActiveProfile(int profile);
    // The first profile with status 1, or 0.
    int GetActiveProfile();

    // Button assignments. Every operation works on the given layer; this system uses layer 0.
    // SaveKeyAssignment replaces the row of the record's key; the factory function (values 0 and
    // 0) only removes it. The new row id, or 0 for the factory function and after a failure.
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
    // Opens path_, creating it when there is no file; `error` says why it failed.
    bool OpenPath(std::string& error);
    bool CreateSchema(std::string& error);
    void CloseForSwitch();
    // Deletes a healthy file at path_ or keeps any other beside it.
    bool PutOldFileAside(StoreReset& result);
    int InsertProfile(const ProfileRecord& record);
    // Runs a prepared write and gives the new row id, or 0 when the step failed.
    int StepInsert(SQLiteStatement& statement);

    mutable std::recursive_mutex lock_;
    SQLiteDB db_;
    std::string path_;
    int device_type_ = 0;
    bool open_flag_ = false;
};

}  // namespace veltra
