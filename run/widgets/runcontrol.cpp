#include "run/widgets/runcontrol.h"

#include <QEventLoop>

namespace kolshell {

namespace {
QPointer<TRunController> active;
} // namespace

TRunActivity& TRunController::Activity() {
    static TRunActivity activity;
    return activity;
}

TRunController::TRunController(std::shared_ptr<TRunSet> set, Kind kind, QObject* parent)
    : QObject(parent), set_(std::move(set)), kind_(kind) {
    timer_.setInterval(set_->PollMs());
    connect(&timer_, &QTimer::timeout, this, &TRunController::Advance);
    set_->RunChanged = [this](size_t i) {
        changed_ = true;
        emit RunChanged(int(i));
    };
}

TRunController::~TRunController() {
    set_->RunChanged = nullptr;
    if (!set_->Finished() && !set_->OutlivesProgram()) set_->Stop();
    if (active == this) {
        active = nullptr;
        emit Activity().Changed();
    }
}

TRunController* TRunController::Active() {
    return active.data();
}

void TRunController::Start() {
    active = this;
    emit Activity().Changed();
    timer_.start();
    Advance();
}

void TRunController::Advance() {
    if (ended_) return;
    set_->Advance();
    TellChanges();
    if (set_->Finished()) End();
}

void TRunController::TellChanges() {
    if (!changed_) return;
    changed_ = false;
    emit Changed();
}

void TRunController::End() {
    ended_ = true;
    timer_.stop();
    if (active == this) active = nullptr;
    emit Activity().Changed();
    emit Ended();
}

void TRunController::Stop() {
    if (ended_) return;
    set_->Stop();
    TellChanges();
    if (set_->Finished()) End();
}

void TRunController::StopAndWait() {
    Stop();
    if (ended_) return;
    QEventLoop loop;
    connect(this, &TRunController::Ended, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace kolshell
