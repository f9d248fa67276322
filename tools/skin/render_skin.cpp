// render_skin: draws the default skin's pictures at build time.
//
//   render_skin <config.xml> <device folder> <skin folder> <icon theme folder>
//
// From the theme colour and the models of config.xml and the models' description files it writes
// into the skin folder the program icon, the caption logo, the top view of each model (placed so
// that each button's first point lies on that button) and the busy animation, and into the icon
// theme folder (hicolor layout) the desktop icons; the notification icon's battery steps go into
// the skin's icon/tray. Exit status 1 with a message on stderr when the data cannot be drawn.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <cmath>
#include <cstdio>

#include "mouse_picture.h"
#include "skin_inputs.h"
#include "spinner.h"
#include "vector_art.h"

namespace {

using namespace veltra::skin;

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int kSkinIconSize = 256;
constexpr int kTrayIconSizes[] = {24, 64};
constexpr int kListPictureHeight = 180;
const char* const kIconName = "veltra-mouse";

bool Fail(const QString& message) {
    std::fprintf(stderr, "render_skin: %s\n", qUtf8Printable(message));
    return false;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        return Fail(path + QStringLiteral(": folder cannot be made"));
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        return Fail(path + QStringLiteral(": cannot be written"));
    }
    return true;
}

bool WritePng(const QString& path, const QImage& image) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        return Fail(path + QStringLiteral(": folder cannot be made"));
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        return Fail(path + QStringLiteral(": cannot be written"));
    }
    return true;
}

// "device/a.png" -> "device/a@2x.png"
QString Double(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name + QStringLiteral("@2x")
                   : name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
}

// The picture `height` pixels high and its double-density twin.
bool WritePicture(const QString& skin, const QString& name, const MouseLayout& layout,
                  Finish finish, const QColor& theme, int height, bool mark) {
    const QSize size = layout.picture.size();
    const QSize pixels(
        static_cast<int>(std::lround(static_cast<double>(size.width()) * height / size.height())),
        height);
    const QDir dir(skin);
    return WritePng(dir.filePath(name), RenderMouse(layout, finish, theme, pixels, mark)) &&
           WritePng(dir.filePath(Double(name)),
                    RenderMouse(layout, finish, theme, pixels * 2, mark));
}

bool WriteIcons(const QString& skin, const QString& icons, const QColor& theme) {
    const QString file = QString::fromLatin1(kIconName);
    for (const int size : kIconSizes) {
        const QString path = QStringLiteral("%1/%2x%2/apps/%3.png").arg(icons).arg(size).arg(file);
        if (!WritePng(path, Rasterise(AppIcon(theme, size), {size, size}))) {
            return false;
        }
    }
    const VectorArt scalable = AppIcon(theme, 0);
    return WriteBytes(QStringLiteral("%1/scalable/apps/%2.svg").arg(icons, file),
                      ToSvg(scalable)) &&
           WriteBytes(QDir(skin).filePath(QStringLiteral("icon/app.svg")), ToSvg(scalable)) &&
           WritePng(QDir(skin).filePath(QStringLiteral("icon/app.png")),
                    Rasterise(AppIcon(theme, kSkinIconSize), {kSkinIconSize, kSkinIconSize}));
}

// The notification icon's battery steps, each at the size of a notification area and at a
// size for dense screens. The charge colours are the window's battery colours.
bool WriteTrayIcons(const QString& skin, const QColor& theme) {
    const QColor green(0x3d, 0xc4, 0x6b);
    const QColor red(0xe5, 0x48, 0x4d);
    const struct {
        const char* name;
        double fill;
        QColor colour;
        bool charging;
    } steps[] = {
        {"full", 1.0, green, false},
        {"half", 0.5, green, false},
        {"low", 0.15, red, false},
        {"charging", 0.65, green, true},
    };
    const QDir dir(skin);
    for (const auto& step : steps) {
        for (const int size : kTrayIconSizes) {
            const QString name = QStringLiteral("icon/tray/battery_%1_%2.png")
                                     .arg(QLatin1String(step.name))
                                     .arg(size);
            if (!WritePng(dir.filePath(name), Rasterise(TrayBatteryIcon(theme, size, step.fill,
                                                                        step.colour, step.charging),
                                                        {size, size}))) {
                return false;
            }
        }
    }
    return true;
}

bool WriteLogo(const QString& skin, const QColor& theme) {
    const VectorArt logo = Logo(theme);
    const QSize size(static_cast<int>(logo.view.width()), static_cast<int>(logo.view.height()));
    const QDir dir(skin);
    return WritePng(dir.filePath(QStringLiteral("logo/logo.png")), Rasterise(logo, size)) &&
           WritePng(dir.filePath(QStringLiteral("logo/logo@2x.png")), Rasterise(logo, size * 2));
}

bool WriteModels(const QString& skin, const SkinInputs& inputs) {
    for (std::size_t i = 0; i < inputs.models.size(); ++i) {
        const ModelArt& model = inputs.models[i];
        const BodyShape shape = model.lighting ? BodyShape::Wide : BodyShape::Slim;
        MouseLayout layout;
        QString error;
        if (!LayoutMouse(model.buttons, shape, layout, error)) {
            return Fail(model.description + QStringLiteral(": ") + error);
        }
        const Finish finish = model.lighting ? Finish::Lit : Finish::Perforated;
        const int height = layout.picture.height();
        if (!WritePicture(skin, model.picture, layout, finish, inputs.theme, height, false)) {
            return false;
        }
        if (!model.list_picture.isEmpty() &&
            !WritePicture(skin, model.list_picture, layout, finish, inputs.theme,
                          kListPictureHeight, false)) {
            return false;
        }
        // Until a description names its picture the pages show a neutral mouse; it has the first
        // model's layout, so that its size places the buttons page as that model's does.
        if (i == 0 && (!WritePicture(skin, QStringLiteral("device/img_mouse.png"), layout,
                                     Finish::Plain, inputs.theme, height, false) ||
                       !WritePicture(skin, QStringLiteral("device/img_mouse_layout.png"), layout,
                                     Finish::Plain, inputs.theme, height, true))) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: render_skin <config.xml> <device folder> <skin folder> <icon theme "
                     "folder>\n");
        return 2;
    }
    const QString config = QString::fromLocal8Bit(argv[1]);
    const QString devices = QString::fromLocal8Bit(argv[2]);
    const QString skin = QString::fromLocal8Bit(argv[3]);
    const QString icons = QString::fromLocal8Bit(argv[4]);
    SkinInputs inputs;
    QString error;
    if (!ReadSkinInputs(config, devices, inputs, error)) {
        Fail(error);
        return 1;
    }
    const bool ok =
        WriteIcons(skin, icons, inputs.theme) && WriteTrayIcons(skin, inputs.theme) &&
        WriteLogo(skin, inputs.theme) && WriteModels(skin, inputs) &&
        WriteBytes(QDir(skin).filePath(QStringLiteral("loading.gif")), SpinnerGif(inputs.theme));
    return ok ? 0 : 1;
}
