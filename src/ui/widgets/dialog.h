#pragma once
// Windows of the program. MWindow is a top-level window without a system frame (the skin draws
// the caption); MDialog adds the controls by id, their notifications, numbered timers, the
// animation timer and the modal run.
//
// Threads: everything runs on the user-interface thread except DoOK and DoCancel, which any
// thread may call while the dialog exists; they are posted and dropped if the dialog is gone
// when they would run. A thread that cannot know the dialog still exists posts to a longer-lived
// owner instead (ui_thread.h), which ends the dialog it holds at that moment.
#include <QColor>
#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "ui/widgets/events.h"
#include "ui/widgets/timer_port.h"

class QEventLoop;
class QTimer;

namespace veltra::ui {

class MControl;

// Window styles the program asks for.
enum WindowStyle : unsigned {
    kStylePopup = 0,
    kStyleToolWindow = 1u << 0,  // no task-bar entry, stays with its owner
    kStyleTopmost = 1u << 1,     // above other windows
};

// ShowWindow commands (the Windows values the pages use).
inline constexpr int kShowHide = 0;
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 6;
inline constexpr int kShow = 5;

// The rectangle with these edges (left, top, right, bottom), as the pages give them.
inline QRect Edges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

// Modal results.
inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;

class MWindow : public QWidget {
  public:
    explicit MWindow(QWidget* parent = nullptr);

    // Makes the window: owned by `owner` (may be null), placed at `rect` in screen coordinates
    // (or centred later). Runs the dialog's build, layout and initialisation operations.
    virtual bool Create(QWidget* owner, const QString& title, unsigned style, const QRect& rect);
    // Centres on `reference`, else on the owner, else on the screen's work area.
    void CenterWindow(const QWidget* reference = nullptr);
    void ShowWindow(int command);
    void DestroyWindow();
    void MoveWindow(const QRect& rect);
    void SetIcon(const QIcon& icon) { setWindowIcon(icon); }
    QRect GetClientRect() const { return rect(); }
    // The work area of the screen the window is on (or the primary one).
    QRect WorkArea() const;
    bool Created() const { return created_; }

  protected:
    virtual void BuildWindow(const QRect& client) { (void)client; }
    bool created_ = false;
};

class MDialog : public MWindow {
  public:
    explicit MDialog(QWidget* parent = nullptr);
    ~MDialog() override;

    // Creates a control of the named class ("MText", "MButton", ...), or nullptr for an unknown
    // class. `container` is a page container (MTabLayout) or null for the dialog itself.
    MControl* CreateControl(std::string_view class_name, int id, const QRect& rect,
                            const QString& text = {}, MControl* container = nullptr);
    MControl* CreateArea(std::string_view class_name, int id, const QRect& rect,
                         MControl* container = nullptr);
    using MWindow::Create;
    // CreateControl, typed: nullptr also when the class is not a T.
    template <typename T>
    T* Create(std::string_view class_name, int id, const QRect& rect, const QString& text = {},
              MControl* container = nullptr) {
        return dynamic_cast<T*>(CreateControl(class_name, id, rect, text, container));
    }
    MControl* GetControl(int id) const;
    template <typename T>
    T* Get(int id) const {
        return dynamic_cast<T*>(GetControl(id));
    }

    // Shows the window by `command` (kShowHide keeps it hidden) and runs a nested event loop
    // until DoOK (result 1) or DoCancel (2). A dialog ended before it is shown returns at once.
    int ShowModal(int command = kShow);
    void DoOK();
    void DoCancel();
    // Cancels every dialog whose modal run is under way, `except` aside: the program's end must
    // not wait for an answer to a question nobody is there to give.
    static void CancelRunningDialogs(const MDialog* except);
    bool Ended() const { return result_ != 0; }
    int Result() const { return result_; }

    void SetTimer(int id, int milliseconds);
    void KillTimer(int id);
    void SetTimerPort(std::unique_ptr<TimerPort> port);
    // The interval of the animation timer. It runs only while a joined control animates.
    void SetMTimer(int milliseconds);
    bool AnimationRunning() const;
    // Translucent window corners (the skin's rounded windows).
    void SetLayeredWindow(bool layered);
    void EnableWndDrag(bool enable) { drag_enabled_ = enable; }
    void SetBackgroundColour(const QColor& colour);
    void OnMinimize() { showMinimized(); }

    // Called by the controls.
    void Notify(MControl& control, Event event, int param);
    void ForgetControl(MControl& control);
    void JoinAnimation(MControl& control);
    void AnimationStateChanged();

  protected:
    // The operations a dialog overrides.
    virtual void OnInitDialog() {}
    virtual void OnCreateControls(const QRect& client) { (void)client; }
    // Also on every resize, possibly before any control exists.
    virtual void OnLayout(const QRect& client) { (void)client; }
    // Returns 1 when a handler ran, otherwise 0.
    virtual int OnNotify(int id, int event, int param) {
        (void)id, (void)event, (void)param;
        return 0;
    }
    virtual void OnTimer(int id) { (void)id; }
    // The user closed the window (Alt+F4, Escape): cancels by default.
    virtual void OnClose() { DoCancel(); }

    void BuildWindow(const QRect& client) override;
    void EndModal(int result);

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Tick();

    std::map<int, MControl*> controls_;
    std::unique_ptr<TimerPort> timers_;
    std::set<MControl*> animated_;
    QTimer* animation_ = nullptr;
    QEventLoop* loop_ = nullptr;
    int result_ = 0;
    bool building_ = false;
    bool destroying_ = false;
    bool drag_enabled_ = false;
    bool layered_ = false;
    std::optional<QPoint> drag_from_;
    QColor background_;
};

}  // namespace veltra::ui
