#include "ui/view_sync.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace kd {

namespace {
constexpr auto kPassEvent = static_cast<QEvent::Type>(QEvent::User + 0x4b44);
}  // namespace

ViewSyncClient::~ViewSyncClient() {
    if (sync_ && pending_) sync_->forget(this);
}

void ViewSyncClient::modelChanged(const QObject* self) {
    if (pending_) return;
    if (!sync_) sync_ = ViewSync::of(self);
    if (!sync_) {
        mirrorNow();
        return;
    }
    pending_ = true;
    sync_->enqueue(this);
}

ViewSync::ViewSync(QObject* window) : QObject(window), window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
    setObjectName(QStringLiteral("ViewSync"));
    holdTimer_.setSingleShot(true);
    holdTimer_.setTimerType(Qt::PreciseTimer);
    connect(&holdTimer_, &QTimer::timeout, this, &ViewSync::passDue);
}

ViewSync::~ViewSync() {
    for (ViewSyncClient* c : pending_) c->pending_ = false;
}

ViewSync* ViewSync::of(const QObject* object) {
    for (const QObject* o = object; o; o = o->parent()) {
        if (auto* s = o->findChild<ViewSync*>(QString(), Qt::FindDirectChildrenOnly)) return s;
        // A dialog or popup owned by the main window is a window of its own.
        if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) break;
    }
    return nullptr;
}

void ViewSync::enqueue(ViewSyncClient* client) {
    pending_.push_back(client);
    // One pass event at a time; while held, the hold timer brings the next pass.
    if (!posted_ && !holdTimer_.isActive()) {
        posted_ = true;
        QCoreApplication::postEvent(this, new QEvent(kPassEvent));
    }
}

void ViewSync::forget(ViewSyncClient* client) {
    pending_.erase(std::remove(pending_.begin(), pending_.end(), client), pending_.end());
    std::replace(flushing_.begin(), flushing_.end(), client, static_cast<ViewSyncClient*>(nullptr));
}

bool ViewSync::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
            break;
        default:
            return false;
    }
    if (pending_.empty() || !flushing_.empty() || !watched->isWidgetType()) return false;
    const QWidget* w = static_cast<const QWidget*>(watched);
    if (w->window() == window_) flush();
    return false;
}

bool ViewSync::event(QEvent* event) {
    if (event->type() != kPassEvent) return QObject::event(event);
    posted_ = false;
    passDue();
    return true;
}

void ViewSync::passDue() {
    if (pending_.empty()) {
        holding_ = false;
        return;
    }
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    const auto now = std::chrono::steady_clock::now();
    const auto wait = hold_ ? hold_() : nanoseconds::zero();
    if (wait > nanoseconds::zero()) {
        if (!holding_) {
            holding_ = true;
            holdingSince_ = now;
        }
        const auto left = std::chrono::duration_cast<nanoseconds>(holdingSince_ + kMaxHold - now);
        if (left > nanoseconds::zero()) {
            holdTimer_.start(std::max(std::chrono::ceil<milliseconds>(std::min(wait, left)), milliseconds{1}));
            return;
        }
    }
    const auto early = std::chrono::duration_cast<nanoseconds>(lastPass_ + kMinPassInterval - now);
    if (early > nanoseconds::zero()) {
        holdTimer_.start(std::max(std::chrono::ceil<milliseconds>(early), milliseconds{1}));
        return;
    }
    lastPass_ = now;
    flush();
}

void ViewSync::flush() {
    if (!flushing_.empty()) return;  // a widget's mirror asked for it: the pass is running
    holdTimer_.stop();
    holding_ = false;
    flushing_.swap(pending_);
    // In the order the model changed; a change made meanwhile waits for the next pass.
    for (size_t i = 0; i < flushing_.size(); ++i) {
        ViewSyncClient* c = flushing_[i];
        if (!c) continue;
        c->pending_ = false;
        c->mirrorNow();
    }
    flushing_.clear();
}

}  // namespace kd
