#pragma once
// Language texts for the window, as Qt strings.
#include <QString>

#include "config/language.h"

namespace veltra::ui {

inline QString LangText(int id) {
    return QString::fromStdString(GetLangText(id));
}

}  // namespace veltra::ui
