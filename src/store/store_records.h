#pragma once

// In-memory rows of the profile database. Multi-row reads hand them to the caller by value.

#include <string>

namespace veltra {

// One row of t_profile_data.
struct ProfileRecord {
    int profile_id = 0;
    std::string name;
    int status = 0;  // 1 for the active profile
    std::string app;
    int type = 0;
};

// One row of t_key_macro_data: the function assigned to a button in a profile.
struct KeyAssignment {
    int key_id = 0;
    int profile = 0;
    int fn_layer = 0;
    int key_code = 0;
    int layout_value = 0;
    std::string layout_desc;
    int macro_type = 0;
    int macro_value = 0;
    int macro_value2 = 0;
    int macro_value3 = 0;
    std::string macro_desc;
};

// One row of t_light_data: a lighting effect of a profile.
struct LightMode {
    int light_id = 0;
    int profile = 0;
    std::string name;
    int mode = 0;
    int brightness = 0;
    int speed = 0;
    int direction = 0;
    int colorful = 0;
    int colorindex = 0;
    int color_value = 0;
    int config_func = 0;
    int reserved = 0;
    int status = 0;
};

// One row of t_macro_data. Macros belong to the model's file, not to a profile.
struct MacroInfo {
    int macro_id = 0;
    std::string name;
    int play_type = 0;
    int play_times = 0;
    int delay_type = 0;
    int delay_time = 0;
};

// One row of t_macrorecord: a step of a macro.
struct MacroRecord {
    int record_id = 0;
    int macro_id = 0;
    int type = 0;
    int record_index = 0;
    int value = 0;
    int delay_time = 0;
    std::string desc;
};

}  // namespace veltra
