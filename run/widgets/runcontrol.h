// Drives a run set from the event loop: the interface stays live while the runs go on, and
// whoever shows them (the main window, the Table Run window, the progress window) listens to
// the controller's signals. The controller and its runs know no window.
#pragma once

#include "run/runset.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

namespace kolshell {

// Tells whoever shows the run going on (the main window's menu, cursor and status line) that
// a run began or ended.
class TRunActivity : public QObject {
    Q_OBJECT
  signals:
    void Changed();
};

class TRunController : public QObject {
    Q_OBJECT
  public:
    enum class Kind { Single, Table };
    TRunController(std::shared_ptr<TRunSet> set, Kind kind, QObject* parent = nullptr);
    // Runs still going are ended, but for a cluster's job, which can be followed again.
    ~TRunController() override;

    TRunSet& Set() { return *set_; }
    std::shared_ptr<TRunSet> SharedSet() const { return set_; }
    Kind RunKind() const { return kind_; }
    // Starts the runs; this becomes the run going on until the last has ended.
    void Start();
    // Item Stop Run: no further run starts, the engines are asked to end and are killed when
    // they are still there after 3 seconds.
    void Stop();
    // Stop, then wait (the interface live) until every run has ended.
    void StopAndWait();
    bool Finished() const { return set_->Finished(); }

    // A table run on a cluster: its table, job and job script, and the backend's warning line.
    struct ClusterJob {
        std::string Table, Id, Script;
        std::function<std::string()> Warning;
    };
    void SetClusterJob(ClusterJob job) { job_ = std::move(job); }
    // nullptr for runs on this computer.
    const ClusterJob* Job() const { return job_.Id.empty() ? nullptr : &job_; }

    // The run going on, or nullptr: there is at most one.
    static TRunController* Active();
    // Signals when a run begins or ends.
    static TRunActivity& Activity();

  signals:
    // Each run that changed; then, once per look at the runs, Changed: whoever counts over
    // all the runs listens to that.
    void RunChanged(int index);
    void Changed();
    void Ended();

  private:
    void Advance();
    void TellChanges();
    void End();

    std::shared_ptr<TRunSet> set_;
    Kind kind_;
    QTimer timer_;
    bool ended_ = false, changed_ = false;
    ClusterJob job_;
};

} // namespace kolshell
