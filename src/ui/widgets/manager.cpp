#include "ui/widgets/manager.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>

namespace veltra::ui {
namespace {

struct Settings {
    QString caption;
    QString skin_root;
    QString theme = QStringLiteral("default");
};

Settings& State() {
    static Settings settings;
    return settings;
}

}  // namespace

void Manager::SetDeviceName(const QString& caption) {
    State().caption = caption;
}
QString Manager::GetDeviceName() {
    return State().caption;
}

void Manager::SetSelectColor(std::uint32_t argb) {
    m_select_color = argb;
}
QColor Manager::SelectColor() {
    return FromArgb(m_select_color);
}

void Manager::SetSkinRoot(const QString& folder) {
    State().skin_root = folder;
}
void Manager::SetTheme(const QString& theme) {
    State().theme = theme;
}
QString Manager::GetTheme() {
    return State().theme;
}

QString Manager::SkinFolder() {
    const Settings& s = State();
    if (s.skin_root.isEmpty()) {
        return {};
    }
    return QDir(s.skin_root).filePath(s.theme);
}

QFont Manager::UiFont(int pixel_size, int weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QStringList families{font.family()};
    for (const char* fallback : {"Segoe UI", "Noto Sans", "DejaVu Sans", "Cantarell",
                                 "Noto Sans CJK SC", "WenQuanYi Micro Hei", "Source Han Sans SC"}) {
        QString name = QString::fromLatin1(fallback);
        if (!families.contains(name)) {
            families << name;
        }
    }
    font.setFamilies(families);
    font.setPixelSize(pixel_size > 0 ? pixel_size : 14);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QIcon MRender::LoadIconFromFile(const QString& path) {
    QIcon icon(path);
    return icon.availableSizes().isEmpty() ? QIcon() : icon;
}

QColor FromArgb(std::uint32_t argb) {
    return QColor::fromRgba(argb);
}

QColor FromColourValue(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

std::uint32_t ToColourValue(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) |
           static_cast<std::uint32_t>(colour.green()) << 8 |
           static_cast<std::uint32_t>(colour.blue()) << 16;
}

}  // namespace veltra::ui
