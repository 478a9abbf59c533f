// Runs a Suggest search off the window's thread: the window stays responsive, shows how far the
// search has come and can cancel it. A cancelled search ends with what it found by then (its
// answer marked incomplete).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "engine/suggest.h"

namespace b3::oddslab {

class SuggestWorker : public QObject {
    Q_OBJECT
public:
    // The search itself: it builds its own battle (nothing it touches is shared with the window)
    // and asks `cancelled` between calculations.
    using Job = std::function<b3::engine::Suggestion(const b3::engine::SuggestOptions&,
                                                     const std::function<bool()>& cancelled)>;
    explicit SuggestWorker(Job job, QObject* parent = nullptr);
    // Cancels a search still running and waits for it to stop.
    ~SuggestWorker() override;

    // Starts a search (none may be running).
    void Start(const b3::engine::SuggestOptions& options);
    // Asks the search to stop after its current calculation.
    void Cancel();
    // Waits until the search has stopped (its signal is still delivered by the event loop).
    void Wait();
    bool Running() const { return thread_.joinable() && !done_.load(); }
    bool CancelRequested() const { return cancel_.load(); }
    // How far the search has come: the calculations begun and the seconds spent.
    long long Calculations() const { return calculations_.load(); }
    double Seconds() const;

signals:
    // The search ended: completed, stopped by its time limit or cancelled (answer.complete is
    // false for the last two).
    void finished(const b3::engine::Suggestion& answer);
    // The search was refused (the battle cannot be computed exactly, or the list is full).
    void failed(const QString& reason);

private:
    Job job_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    std::atomic<long long> calculations_{0};
    QElapsedTimer clock_;
};

}  // namespace b3::oddslab
