#include "ui/widgets/dialog.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <vector>

#include "ui/widgets/control.h"
#include "ui/widgets/control_factory.h"
#include "ui/widgets/look.h"
#include "ui/widgets/ui_thread.h"

namespace veltra::ui {
namespace {

class QtTimerPort : public TimerPort {
  public:
    void Start(int id, std::chrono::milliseconds interval, std::function<void()> fire) override {
        QTimer*& timer = timers_[id];
        if (timer == nullptr) {
            timer = new QTimer(&holder_);
        }
        timer->disconnect();
        QObject::connect(timer, &QTimer::timeout, &holder_, std::move(fire));
        timer->start(static_cast<int>(interval.count()));
    }
    void Stop(int id) override {
        auto found = timers_.find(id);
        if (found != timers_.end()) {
            found->second->stop();
        }
    }

  private:
    QObject holder_;
    std::map<int, QTimer*> timers_;
};

}  // namespace

std::unique_ptr<TimerPort> MakeQtTimerPort() {
    return std::make_unique<QtTimerPort>();
}

MWindow::MWindow(QWidget* parent) : QWidget(parent) {}

bool MWindow::Create(QWidget* owner, const QString& title, unsigned style, const QRect& rect) {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if ((style & kStyleToolWindow) != 0) {
        flags |= Qt::Tool;
    }
    if ((style & kStyleTopmost) != 0) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    setParent(owner, flags);
    setWindowTitle(title);
    setGeometry(rect);
    created_ = true;
    BuildWindow(QRect(QPoint(0, 0), rect.size()));
    return true;
}

QRect MWindow::WorkArea() const {
    QScreen* screen = this->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
}

void MWindow::CenterWindow(const QWidget* reference) {
    if (reference == nullptr) {
        reference = parentWidget();
    }
    QRect around = reference != nullptr ? reference->frameGeometry() : WorkArea();
    QRect placed = geometry();
    placed.moveCenter(around.center());
    move(placed.topLeft());
}

void MWindow::ShowWindow(int command) {
    switch (command) {
        case kShowHide:
            hide();
            break;
        case kShowMinimized:
            showMinimized();
            break;
        default:
            show();
            if (command == kShowNormal && isMinimized()) {
                showNormal();
            }
            break;
    }
}

void MWindow::DestroyWindow() {
    hide();
    created_ = false;
}

void MWindow::MoveWindow(const QRect& rect) {
    setGeometry(rect);
}

MDialog::MDialog(QWidget* parent) : MWindow(parent), timers_(MakeQtTimerPort()) {
    setFocusPolicy(Qt::StrongFocus);
}

MDialog::~MDialog() {
    // The controls go first, while the dialog they report to still exists; QWidget would
    // delete them only after this object is gone. Owned windows are not controls and stay.
    destroying_ = true;
    // A dialog destroyed during its modal run ends the run, or the caller would wait forever.
    if (loop_ != nullptr) {
        loop_->exit();
        loop_ = nullptr;
    }
    timers_.reset();
    for (QObject* child : children()) {
        if (auto* control = dynamic_cast<MControl*>(child)) {
            delete control;
        }
    }
    controls_.clear();
    animated_.clear();
}

MControl* MDialog::CreateControl(std::string_view class_name, int id, const QRect& rect,
                                 const QString& text, MControl* container) {
    QWidget* parent = container != nullptr ? static_cast<QWidget*>(container) : this;
    MControl* control = MakeControl(class_name, *this, parent, id);
    if (control == nullptr) {
        return nullptr;
    }
    if (auto* texts = dynamic_cast<MControlFont*>(control); texts != nullptr && !text.isEmpty()) {
        texts->SetTitle(text);
    }
    auto [slot, fresh] = controls_.try_emplace(id, control);
    if (!fresh) {
        // Ids are unique within a window; the newest control answers to the id.
        slot->second = control;
    }
    control->SetRect(rect);
    control->show();
    return control;
}

MControl* MDialog::CreateArea(std::string_view class_name, int id, const QRect& rect,
                              MControl* container) {
    return CreateControl(class_name, id, rect, {}, container);
}

MControl* MDialog::GetControl(int id) const {
    auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

void MDialog::ForgetControl(MControl& control) {
    if (destroying_) {
        return;
    }
    auto found = controls_.find(control.Id());
    if (found != controls_.end() && found->second == &control) {
        controls_.erase(found);
    }
    animated_.erase(&control);
}

void MDialog::Notify(MControl& control, Event event, int param) {
    if (destroying_) {
        return;
    }
    OnNotify(control.Id(), Code(event), param);
}

void MDialog::BuildWindow(const QRect& client) {
    building_ = true;
    OnCreateControls(client);
    building_ = false;
    OnLayout(client);
    OnInitDialog();
}

namespace {

// Dialogs inside ShowModal, innermost last. UI thread only.
std::vector<QPointer<MDialog>>& RunningDialogs() {
    static std::vector<QPointer<MDialog>> running;
    return running;
}

}  // namespace

void MDialog::CancelRunningDialogs(const MDialog* except) {
    const std::vector<QPointer<MDialog>> running = RunningDialogs();
    for (auto it = running.rbegin(); it != running.rend(); ++it) {
        if (*it && it->data() != except) {
            (*it)->EndModal(kResultCancel);
        }
    }
}

int MDialog::ShowModal(int command) {
    if (result_ != 0) {
        return result_;
    }
    QEventLoop loop;
    loop_ = &loop;
    RunningDialogs().emplace_back(this);
    // While a dialog runs, the windows beneath it take no input: a second flow started from
    // them would begin inside the first.
    if (!isVisible() && command != kShowHide && parentWidget() != nullptr) {
        setWindowModality(Qt::ApplicationModal);
    }
    // A window that starts hidden (in the notification area) runs its loop all the same.
    ShowWindow(command);
    QPointer<MDialog> alive(this);
    loop.exec(QEventLoop::DialogExec);
    std::erase_if(RunningDialogs(), [this](const QPointer<MDialog>& dialog) {
        return dialog.isNull() || dialog.data() == this;
    });
    if (!alive) {
        return kResultCancel;
    }
    loop_ = nullptr;
    return result_;
}

void MDialog::EndModal(int result) {
    if (result_ == 0) {
        result_ = result;
    }
    hide();
    if (loop_ != nullptr) {
        loop_->exit();
    }
}

void MDialog::DoOK() {
    if (thread() == QThread::currentThread()) {
        EndModal(kResultOk);
    } else {
        PostTo(this, [this] { EndModal(kResultOk); });
    }
}

void MDialog::DoCancel() {
    if (thread() == QThread::currentThread()) {
        EndModal(kResultCancel);
    } else {
        PostTo(this, [this] { EndModal(kResultCancel); });
    }
}

void MDialog::SetTimer(int id, int milliseconds) {
    timers_->Start(id, std::chrono::milliseconds(milliseconds), [this, id] { OnTimer(id); });
}

void MDialog::KillTimer(int id) {
    if (timers_ != nullptr) {
        timers_->Stop(id);
    }
}

void MDialog::SetTimerPort(std::unique_ptr<TimerPort> port) {
    if (port != nullptr) {
        timers_ = std::move(port);
    }
}

void MDialog::SetMTimer(int milliseconds) {
    if (animation_ == nullptr) {
        animation_ = new QTimer(this);
        connect(animation_, &QTimer::timeout, this, [this] { Tick(); });
    }
    animation_->setInterval(milliseconds > 0 ? milliseconds : 10);
    AnimationStateChanged();
}

bool MDialog::AnimationRunning() const {
    return animation_ != nullptr && animation_->isActive();
}

void MDialog::JoinAnimation(MControl& control) {
    animated_.insert(&control);
    AnimationStateChanged();
}

void MDialog::AnimationStateChanged() {
    bool wanted = false;
    if (isVisible()) {
        for (MControl* control : animated_) {
            if (control->isVisible() && control->Animating()) {
                wanted = true;
                break;
            }
        }
    }
    if (wanted && animation_ == nullptr) {
        SetMTimer(40);
        return;
    }
    if (animation_ == nullptr) {
        return;
    }
    if (wanted && !animation_->isActive()) {
        animation_->start();
    } else if (!wanted && animation_->isActive()) {
        animation_->stop();
    }
}

void MDialog::Tick() {
    bool any = false;
    std::vector<MControl*> running(animated_.begin(), animated_.end());
    QPointer<MDialog> alive(this);
    for (MControl* control : running) {
        if (!alive) {
            return;
        }
        if (animated_.count(control) != 0 && control->isVisible() && control->Animating()) {
            control->Animate();
            any = true;
        }
    }
    if (alive && !any) {
        animation_->stop();
    }
}

void MDialog::SetLayeredWindow(bool layered) {
    layered_ = layered;
    setAttribute(Qt::WA_TranslucentBackground, layered);
    update();
}

void MDialog::SetBackgroundColour(const QColor& colour) {
    background_ = colour;
    update();
}

void MDialog::resizeEvent(QResizeEvent* event) {
    MWindow::resizeEvent(event);
    if (!building_ && created_) {
        OnLayout(rect());
    }
}

void MDialog::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    QColor fill = background_.isValid() ? background_ : look::kWindow;
    if (layered_) {
        // Rounded windows float over others; a hairline keeps them apart from dark windows.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(look::kBorder, 1.0));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10.0, 10.0);
    } else {
        painter.fillRect(rect(), fill);
    }
}

void MDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnClose();
}

void MDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        OnClose();
        event->accept();
        return;
    }
    MWindow::keyPressEvent(event);
}

void MDialog::mousePressEvent(QMouseEvent* event) {
    if (drag_enabled_ && event->button() == Qt::LeftButton) {
        drag_from_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
            drag_from_.reset();
        }
        event->accept();
        return;
    }
    MWindow::mousePressEvent(event);
}

void MDialog::mouseMoveEvent(QMouseEvent* event) {
    if (drag_from_ && (event->buttons() & Qt::LeftButton) != 0) {
        move(event->globalPosition().toPoint() - *drag_from_);
        event->accept();
        return;
    }
    MWindow::mouseMoveEvent(event);
}

void MDialog::mouseReleaseEvent(QMouseEvent* event) {
    drag_from_.reset();
    MWindow::mouseReleaseEvent(event);
}

void MDialog::hideEvent(QHideEvent* event) {
    MWindow::hideEvent(event);
    AnimationStateChanged();
}

void MDialog::showEvent(QShowEvent* event) {
    MWindow::showEvent(event);
    AnimationStateChanged();
}

}  // namespace veltra::ui
