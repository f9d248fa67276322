// veltra-gallery <output folder>: every control class in each of its states and the four
// dialogs, rendered offscreen in English and Chinese, so the whole visual vocabulary can be
// looked at at once. Writes <folder>/<en|zh>/<name>.png and <folder>/<en|zh>/all.png; exits 1
// when an image comes out blank.
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>
#include <cstdio>
#include <vector>

#include "config/language.h"
#include "samples.h"
#include "shell/app_folders.h"
#include "ui/dialogs/download_dialog.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/palette_dialog.h"
#include "ui/dialogs/wait_dialog.h"
#include "ui/widgets/control.h"
#include "ui/widgets/control_factory.h"
#include "ui/widgets/dialog.h"
#include "ui/widgets/manager.h"

namespace veltra::gallery {
namespace {

// The grab at full resolution: on a scaled screen a grab holds more pixels than its size says,
// and the sheets show them one to one.
QImage Pixels(const QPixmap& grab) {
    QImage image = grab.toImage();
    image.setDevicePixelRatio(1.0);
    return image;
}

enum class State { Normal, Hover, Pressed, Focused, Disabled, Checked };

const char* StateName(State s) {
    switch (s) {
        case State::Normal:
            return "normal";
        case State::Hover:
            return "hover";
        case State::Pressed:
            return "pressed";
        case State::Focused:
            return "focus";
        case State::Disabled:
            return "disabled";
        case State::Checked:
            return "checked";
    }
    return "";
}

class Canvas : public ui::MDialog {};

// One control in one state, on the window background with a margin around it.
QImage RenderState(std::string_view class_name, State state) {
    Sample sample = SampleFor(class_name);
    constexpr int kMargin = 12;
    Canvas canvas;
    canvas.Create(
        nullptr, QStringLiteral("gallery"), ui::kStylePopup,
        QRect(0, 0, sample.size.width() + 2 * kMargin, sample.size.height() + 2 * kMargin));
    ui::MControl* control =
        canvas.CreateControl(class_name, 100, QRect(QPoint(kMargin, kMargin), sample.size));
    FillSample(class_name, *control);
    canvas.show();
    canvas.activateWindow();
    canvas.setFocus();
    switch (state) {
        case State::Hover:
            control->setAttribute(Qt::WA_UnderMouse, true);
            break;
        case State::Pressed:
            QTest::mousePress(control, Qt::LeftButton);
            break;
        case State::Focused:
            control->setFocus(Qt::TabFocusReason);
            break;
        case State::Disabled:
            control->SetEnabled(false);
            break;
        case State::Checked:
            CheckSample(*control);
            break;
        case State::Normal:
            break;
    }
    QCoreApplication::processEvents();
    return Pixels(canvas.grab());
}

bool Blank(const QImage& image) {
    if (image.isNull()) {
        return true;
    }
    QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 1) {
        for (int x = 0; x < image.width(); x += 1) {
            if (image.pixel(x, y) != first) {
                return false;
            }
        }
    }
    return true;
}

// A row of images with captions above them, on the window background.
QImage Row(const QString& title, const std::vector<std::pair<QString, QImage>>& cells) {
    int width = 16;
    int height = 0;
    for (const auto& [caption, image] : cells) {
        (void)caption;
        width += image.width() + 16;
        height = std::max(height, image.height());
    }
    QImage row(std::max(width, 240), height + 56, QImage::Format_ARGB32_Premultiplied);
    row.fill(QColor(0x0E, 0x0F, 0x12));
    QPainter painter(&row);
    painter.setPen(QColor(0xE0, 0xE0, 0xE0));
    painter.setFont(ui::Manager::UiFont(15, 600));
    painter.drawText(QRect(16, 4, row.width() - 32, 22), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setFont(ui::Manager::UiFont(11));
    painter.setPen(QColor(0x96, 0x96, 0x96));
    int x = 16;
    for (const auto& [caption, image] : cells) {
        painter.drawText(QRect(x, 26, image.width(), 18), Qt::AlignLeft, caption);
        painter.drawImage(x, 46, image);
        x += image.width() + 16;
    }
    return row;
}

QImage Stack(const std::vector<QImage>& rows) {
    int width = 0;
    int height = 0;
    for (const QImage& r : rows) {
        width = std::max(width, r.width());
        height += r.height();
    }
    QImage sheet(width, height, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0x0E, 0x0F, 0x12));
    QPainter painter(&sheet);
    int y = 0;
    for (const QImage& r : rows) {
        painter.drawImage(0, y, r);
        y += r.height();
    }
    return sheet;
}

// Grabs a dialog as it is shown.
QImage Shot(QWidget& window) {
    window.show();
    QCoreApplication::processEvents();
    return Pixels(window.grab());
}

std::vector<std::pair<QString, QImage>> Dialogs() {
    std::vector<std::pair<QString, QImage>> shots;
    {
        ui::CUIMessageBox box(ui::LangText(571), ui::LangText(570), ui::kMessageOkCancel);
        box.Create(nullptr, QStringLiteral("MessageBox"), ui::kStyleToolWindow,
                   QRect(0, 0, 430, 230));
        shots.emplace_back(QStringLiteral("CUIMessageBox kind 4"), Shot(box));
    }
    {
        ui::CUIMessageBox box(ui::LangText(220), ui::LangText(121), ui::kMessageOk);
        box.Create(nullptr, QStringLiteral("MessageBox"), ui::kStyleToolWindow,
                   QRect(0, 0, 430, 230));
        shots.emplace_back(QStringLiteral("CUIMessageBox kind 0"), Shot(box));
    }
    {
        ui::DPIMsgDlg popup(nullptr);
        popup.ShowDPI(1600);
        shots.emplace_back(QStringLiteral("DPIMsgDlg DPI"), Pixels(popup.grab()));
        popup.ShowReportRate(0);
        shots.emplace_back(QStringLiteral("DPIMsgDlg report rate"), Pixels(popup.grab()));
    }
    {
        ui::MousePaletteDlg palette;
        palette.SetColor(0xFF7F00);
        palette.Create(nullptr, QStringLiteral("Mouse PaletteDlg"), ui::kStylePopup,
                       ui::Edges(0, 0, 460, 220));
        shots.emplace_back(QStringLiteral("MousePaletteDlg"), Shot(palette));
    }
    {
        ui::WaitDlg wait(nullptr);
        shots.emplace_back(QStringLiteral("WaitDlg"), Shot(wait));
    }
    {
        ui::DownloadDlg download(ui::LangText(108), QStringLiteral("Zephrin-Driver-1.2.0.zip"), {});
        download.Create(nullptr, QStringLiteral("DownloadDlg"), ui::kStyleToolWindow,
                        QRect(0, 0, 430, 190));
        download.SetProgress(46);
        shots.emplace_back(QStringLiteral("DownloadDlg"), Shot(download));
    }
    return shots;
}

int RenderLanguage(const QDir& out, int language, const char* folder) {
    SetCurrentLanguageId(language);
    QDir dir(out.filePath(QString::fromLatin1(folder)));
    dir.mkpath(QStringLiteral("."));
    int blanks = 0;
    std::vector<QImage> rows;
    for (std::string_view name : ui::ControlClassNames()) {
        std::vector<State> states{State::Normal, State::Hover, State::Pressed, State::Focused,
                                  State::Disabled};
        if (SampleFor(name).checkable) {
            states.push_back(State::Checked);
        }
        std::vector<std::pair<QString, QImage>> cells;
        for (State state : states) {
            QImage image = RenderState(name, state);
            if (Blank(image)) {
                std::fprintf(stderr, "blank: %s %s\n", std::string(name).c_str(), StateName(state));
                ++blanks;
            }
            cells.emplace_back(QString::fromLatin1(StateName(state)), image);
        }
        QString title = QString::fromLatin1(name.data(), static_cast<int>(name.size()));
        QImage row = Row(title, cells);
        row.save(dir.filePath(title + QStringLiteral(".png")));
        rows.push_back(row);
    }
    for (const auto& [title, image] : Dialogs()) {
        if (Blank(image)) {
            std::fprintf(stderr, "blank: %s\n", title.toUtf8().constData());
            ++blanks;
        }
        QImage row = Row(title, {{QString(), image}});
        QString file = title;
        file.replace(QLatin1Char(' '), QLatin1Char('_'));
        row.save(dir.filePath(QStringLiteral("dialog_") + file + QStringLiteral(".png")));
        rows.push_back(row);
    }
    Stack(rows).save(dir.filePath(QStringLiteral("all.png")));
    return blanks;
}

}  // namespace
}  // namespace veltra::gallery

namespace {

// Raising and activating are not possible offscreen; the warnings would hide real ones.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QLatin1String("This plugin does not support"))) {
        qt_message_output(type, context, message);
    }
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(QuietOffscreen);
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltra-gallery <output folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    veltra::ui::Manager::SetSkinRoot(QString::fromStdString(veltra::SkinsFolder().string()));
    veltra::ui::Manager::SetTheme(QString::fromLatin1(veltra::kDefaultTheme));
    QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    int blanks = veltra::gallery::RenderLanguage(out, veltra::kEnglish, "en") +
                 veltra::gallery::RenderLanguage(out, veltra::kSimplifiedChinese, "zh");
    std::printf("gallery written to %s%s\n", out.absolutePath().toUtf8().constData(),
                blanks != 0 ? " with blank images" : "");
    return blanks == 0 ? 0 : 1;
}
