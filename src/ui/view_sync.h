#pragma once
// Model changes reach the widgets of a window once per pass of the event loop, after the
// core's handler has returned, so a reply's follow-up command is on the wire before any
// layout, painting or accessibility work starts. A widget outside such a window (a dialog, a
// lone test widget) mirrors at once, as before.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

namespace kd {

class ViewSync;

// A widget (or a watch on a plain Qt widget) that mirrors one model control.
class ViewSyncClient {
public:
    ViewSyncClient() = default;
    virtual ~ViewSyncClient();
    ViewSyncClient(const ViewSyncClient&) = delete;
    ViewSyncClient& operator=(const ViewSyncClient&) = delete;

protected:
    // The model changed: mirror in the next pass of the window's event loop, or now when
    // `self` belongs to no window with a ViewSync.
    void modelChanged(const QObject* self);
    virtual void mirrorNow() = 0;

private:
    friend class ViewSync;
    QPointer<ViewSync> sync_;
    bool pending_ = false;
};

class ViewSync : public QObject {
    Q_OBJECT
public:
    explicit ViewSync(QObject* window);
    ~ViewSync() override;

    // How long the view should still wait before working (zero: not at all). The program
    // holds the view while a logger may be answering at this very moment; the view never
    // waits longer than kMaxHold at a stretch, so the window stays alive whatever the line does.
    using Hold = std::function<std::chrono::nanoseconds()>;
    void setHold(Hold hold) { hold_ = std::move(hold); }
    static constexpr std::chrono::milliseconds kMaxHold{100};
    // Passes follow each other at most this often: a logger streaming lines would otherwise
    // have the window repaint for every line, faster than anyone can see.
    static constexpr std::chrono::milliseconds kMinPassInterval{50};

    // Brings every waiting widget up to date now.
    void flush();
    bool pending() const { return !pending_.empty(); }

    // The sync of the window `object` lies in (not crossing into a parent window), or null.
    static ViewSync* of(const QObject* object);

protected:
    bool event(QEvent* event) override;
    // A click or key press on the window first brings every waiting widget up to date, so
    // the technician never acts on a control the program has already disabled or changed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ViewSyncClient;
    void enqueue(ViewSyncClient* client);
    void forget(ViewSyncClient* client);
    void passDue();

    QObject* window_;
    std::vector<ViewSyncClient*> pending_;
    std::vector<ViewSyncClient*> flushing_;
    bool posted_ = false;
    bool holding_ = false;
    std::chrono::steady_clock::time_point holdingSince_{};
    std::chrono::steady_clock::time_point lastPass_{};
    QTimer holdTimer_;
    Hold hold_;
};

}  // namespace kd
