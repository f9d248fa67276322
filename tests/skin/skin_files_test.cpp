// The default skin the build draws, read back as the window reads it: every promised file with
// its size, the model pictures under the button points of their descriptions, and the busy
// animation.

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <filesystem>
#include <string>

#include "config/app_info.h"
#include "config/catalogue.h"
#include "config/device_description.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(VELTRA_SOURCE_DIR) / "data";
const fs::path kSkin = fs::path(VELTRA_BIN_DIR) / "skins" / "default";
const fs::path kIconTheme = fs::path(VELTRA_ICON_THEME_DIR);

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// The skin names pictures with either separator.
fs::path SkinFile(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return kSkin / name;
}

fs::path Doubled(const fs::path& file) {
    return file.parent_path() / (file.stem().string() + "@2x" + file.extension().string());
}

// Loads a picture that must be drawn: at least a tenth of it visible, in several colours.
QImage Drawn(const fs::path& file) {
    const QImage image(Q(file));
    EXPECT_FALSE(image.isNull()) << file;
    qsizetype visible = 0;
    QRgb first = 0;
    bool several = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            visible += qAlpha(pixel) > 0 ? 1 : 0;
            several = several || (x + y > 0 && pixel != first);
            first = x + y == 0 ? pixel : first;
        }
    }
    EXPECT_GE(visible * 10, qsizetype{image.width()} * image.height()) << file;
    EXPECT_TRUE(several) << file;
    return image;
}

// A picture and its double-density twin, which must be exactly twice as large.
QSize DrawnPair(const fs::path& file) {
    const QImage single = Drawn(file);
    const QImage twin = Drawn(Doubled(file));
    EXPECT_EQ(twin.size(), single.size() * 2) << file;
    return single.size();
}

Catalogue ShippedCatalogue() {
    return ReadCatalogue(kData / "config.xml", kSkin);
}

TEST(DefaultSkin, EveryNamedPictureExistsWithItsSize) {
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(Drawn(kIconTheme / folder / "apps" / "veltra-mouse.png").size(),
                  QSize(size, size));
    }
    EXPECT_EQ(Drawn(kSkin / "icon" / "app.png").size(), QSize(256, 256));
    for (const fs::path& svg :
         {kIconTheme / "scalable" / "apps" / "veltra-mouse.svg", kSkin / "icon" / "app.svg"}) {
        QFile file(Q(svg));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << svg;
        const QByteArray text = file.readAll();
        EXPECT_TRUE(text.startsWith("<svg ") && text.contains("<path ") &&
                    text.trimmed().endsWith("</svg>"))
            << svg;
    }

    // The caption bar is 50 pixels high and shows the logo at 30,5 in its natural size.
    const QSize logo = DrawnPair(kSkin / "logo" / "logo.png");
    EXPECT_EQ(logo.height(), 36);
    EXPECT_GT(logo.width(), 2 * logo.height());

    // The neutral pictures stand in for the model's until a description names one, and the
    // home page's size places the buttons page's.
    const QSize generic = DrawnPair(kSkin / "device" / "img_mouse.png");
    EXPECT_EQ(DrawnPair(kSkin / "device" / "img_mouse_layout.png"), generic);
    EXPECT_LE(generic.width(), 500);

    const Catalogue catalogue = ShippedCatalogue();
    ASSERT_FALSE(catalogue.models.empty());
    for (const DeviceModelEntry& model : catalogue.models) {
        SCOPED_TRACE(model.file_stem);
        DrawnPair(model.image);  // the device list's picture
        const auto description =
            ReadDeviceDescription(DeviceDescriptionPath(kData, model.file_stem));
        ASSERT_TRUE(description && description->picture);
        // Placed at 500 pixels from the window's right edge, it must fit the window.
        EXPECT_LE(DrawnPair(SkinFile(*description->picture)).width(), 500);
    }
}

// The buttons page draws each button's leader line from its first point into the picture; that
// point must be on a drawn, opaque part of the picture (not its shadow or the background), at
// both densities.
TEST(DefaultSkin, EveryButtonPointIsOnTheModelsPicture) {
    // The button control's place in the 1280 x 780 window.
    constexpr int kControlLeft = 620;
    constexpr int kControlTop = 150;
    const Catalogue catalogue = ShippedCatalogue();
    ASSERT_FALSE(catalogue.models.empty());
    for (const DeviceModelEntry& model : catalogue.models) {
        SCOPED_TRACE(model.file_stem);
        const auto description =
            ReadDeviceDescription(DeviceDescriptionPath(kData, model.file_stem));
        ASSERT_TRUE(description && description->picture && description->buttons);
        const fs::path file = SkinFile(*description->picture);
        const QImage single(Q(file));
        const QImage twin(Q(Doubled(file)));
        ASSERT_FALSE(single.isNull() || twin.isNull());
        const ViewRect place =
            ButtonPagePictureRect({0, 0, 1280, 780}, {single.width(), single.height()});
        for (const ButtonDescription& button : *description->buttons) {
            const QPoint at(button.points[0].x + kControlLeft - place.left,
                            button.points[0].y + kControlTop - place.top);
            SCOPED_TRACE(button.name_id);
            ASSERT_TRUE(single.rect().contains(at)) << at.x() << "," << at.y();
            EXPECT_EQ(qAlpha(single.pixel(at)), 255);
            EXPECT_EQ(qAlpha(twin.pixel(at * 2)), 255);
        }
    }
}

TEST(DefaultSkin, BusyAnimationLoopsThroughItsFramesInTheThemeColour) {
    const auto startup = ReadStartupValues(kData / "config.xml");
    ASSERT_TRUE(startup);
    const QColor theme = QColor::fromRgb(startup->theme_colour);
    QImageReader reader(Q(kSkin / "loading.gif"));
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    EXPECT_EQ(reader.imageCount(), 24);
    EXPECT_EQ(reader.loopCount(), -1);  // for ever
    int frames = 0;
    QImage previous;
    while (reader.canRead()) {
        const QImage frame = reader.read();
        ASSERT_FALSE(frame.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(frame.size(), QSize(100, 100));
        EXPECT_GT(reader.nextImageDelay(), 0);
        // The wait dialog's grey at the corners, the theme colour at the spinner's head.
        EXPECT_EQ(frame.pixel(0, 0), qRgb(0x33, 0x33, 0x33));
        bool head = false;
        for (int y = 0; y < frame.height() && !head; ++y) {
            for (int x = 0; x < frame.width() && !head; ++x) {
                head = frame.pixel(x, y) == theme.rgb();
            }
        }
        EXPECT_TRUE(head) << "frame " << frames;
        EXPECT_NE(frame, previous) << "frame " << frames;
        previous = frame;
        ++frames;
    }
    EXPECT_EQ(frames, 24);
}

}  // namespace
}  // namespace veltra
