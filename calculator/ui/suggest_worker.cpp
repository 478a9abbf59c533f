#include "calculator/ui/suggest_worker.h"

#include <QMetaObject>
#include <stdexcept>

namespace b3::oddslab {

SuggestWorker::SuggestWorker(Job job, QObject* parent) : QObject(parent), job_(std::move(job)) {}

SuggestWorker::~SuggestWorker() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

void SuggestWorker::Start(const b3::engine::SuggestOptions& options) {
    if (thread_.joinable()) thread_.join();
    cancel_ = false;
    done_ = false;
    calculations_ = 0;
    clock_.start();
    thread_ = std::thread([this, options] {
        const auto cancelled = [this] {
            ++calculations_;
            return cancel_.load();
        };
        // The answer goes to the window's thread. The worker outlives the thread (its destructor
        // waits for it), and a call still queued when the worker goes is dropped with it.
        auto deliver = [this](std::function<void()> emitIt) {
            done_ = true;
            QMetaObject::invokeMethod(this, std::move(emitIt), Qt::QueuedConnection);
        };
        try {
            const b3::engine::Suggestion answer = job_(options, cancelled);
            deliver([this, answer] { emit finished(answer); });
        } catch (const std::exception& e) {
            const QString reason = QString::fromStdString(e.what());
            deliver([this, reason] { emit failed(reason); });
        } catch (...) {
            deliver([this] { emit failed("The search failed."); });
        }
    });
}

void SuggestWorker::Cancel() {
    cancel_ = true;
}

void SuggestWorker::Wait() {
    if (thread_.joinable()) thread_.join();
}

double SuggestWorker::Seconds() const {
    return clock_.isValid() ? static_cast<double>(clock_.elapsed()) / 1000.0 : 0.0;
}

}  // namespace b3::oddslab
