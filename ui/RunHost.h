#pragma once
// A run on a printer (jobs/) as the window hosts it: the job runs on a thread of its
// own, and everything it tells (the start of the transfer, status lines, progress,
// warnings, "not taking data") reaches the window as queued signals of this object,
// which lives on the window's thread. The job's end comes back the same way, to the
// function Start was given. The window never waits on the job: it keeps painting, and
// Cancel only sets the job's token. A question the job asks is put to the user on the
// window's thread as a Yes/No box while the job waits for the answer (a cancel ends
// that wait as no).
//
// Thread-safety: every member is used on the window's thread; only the relay the job
// is handed is called from the job's thread, and it only posts to this object. The
// destructor cancels a run still going and waits for its thread.
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

#include <vector>

#include "jobs/RunMessages.h"
#include "jobs/RunObserver.h"

class RunHost final : public QObject {
    Q_OBJECT
public:
    explicit RunHost(QObject* parent = nullptr);
    ~RunHost() override;
    RunHost(const RunHost&) = delete;
    RunHost& operator=(const RunHost&) = delete;

    // A job is running: no second one may start on this host.
    bool Running() const { return m_running; }

    // Runs work on a thread of its own (nothing happens while a run is going), then
    // done with its end, on the window's thread.
    template <class End>
    void Start(std::function<End(const printer::CancelToken&, jobs::RunObserver&)> work,
               std::function<void(const End&)> done)
    {
        if (m_running)
            return;
        Join();
        m_cancel.store(false);
        m_running = true;
        emit RunningChanged(true);
        m_thread = std::thread([this, work = std::move(work), done = std::move(done)] {
            End end = work(m_cancel, m_relay);
            QMetaObject::invokeMethod(
                this,
                [this, done, end = std::move(end)] {
                    Finished();
                    done(end);
                },
                Qt::QueuedConnection);
        });
    }

    // Asks the running job to stop: it ends at once when the printer takes nothing or is
    // still being reached, otherwise once it has sent what it owes the printer.
    void Cancel() { m_cancel.store(true); }
    bool Cancelled() const { return m_cancel.load(); }

signals:
    void RunningChanged(bool running);
    void Transfer();
    void Status(const QString& text);
    void Progress(int value, int upper);
    void Warning(const QString& text);
    void NotTakingData(const QString& text);

private:
    // Passes the job's calls on to the window's thread.
    class Relay final : public jobs::RunObserver {
    public:
        explicit Relay(RunHost& host) : m_host(host) {}
        void OnTransfer() override;
        void OnStatus(const std::string& text) override;
        void OnProgress(const jobs::RunProgress& progress) override;
        void OnWarning(const std::string& text) override;
        void OnNotTakingData(const printer::WaitReport& report) override;
        bool OnQuestion(const std::string& text) override;

    private:
        RunHost& m_host;
    };

    void Finished();
    void Join();

    Relay m_relay{*this};
    printer::CancelToken m_cancel{false};
    std::thread m_thread;
    bool m_running = false;
};

// A run's end as the window says it: each message as a box, in order.
void ShowRunMessages(const std::vector<jobs::RunMessage>& messages);
