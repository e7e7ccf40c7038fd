// A loop in two stages on two threads: a producer fills batches on a thread of its own while
// the calling thread consumes them, in the order they were made. At most `depth` filled
// batches wait between the two, and consumed batches go back to the producer to be filled
// again, so memory stays bounded whatever the length of the run. On a machine with one core
// both stages run in turn on the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vandrel {
namespace pipeline_detail {

template <typename Batch>
class Channel {
 public:
  explicit Channel(std::size_t depth) : depth_(depth) {}

  // The producer hands `batch` over and gets a used one in its place; false once the
  // consumer has stopped.
  bool Put(Batch& batch) {
    std::unique_lock lock(mutex_);
    roomy_.wait(lock, [&] { return filled_.size() < depth_ || stopped_; });
    if (stopped_) return false;
    filled_.push_back(std::move(batch));
    if (spare_.empty()) {
      batch = Batch{};
    } else {
      batch = std::move(spare_.back());
      spare_.pop_back();
    }
    ready_.notify_one();
    return true;
  }

  // The producer is done, having failed with `failure` when it is set.
  void Close(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    closed_ = true;
    failure_ = std::move(failure);
    ready_.notify_one();
  }

  // The consumer's next batch; false when the producer closed and every batch was taken.
  bool Take(Batch& batch) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !filled_.empty() || closed_; });
    if (filled_.empty()) return false;
    batch = std::move(filled_.front());
    filled_.pop_front();
    roomy_.notify_one();
    return true;
  }

  void GiveBack(Batch&& batch) {
    std::lock_guard lock(mutex_);
    spare_.push_back(std::move(batch));
  }

  // The consumer failed: the producer's next Put returns false.
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    roomy_.notify_one();
  }

  std::exception_ptr failure() {
    std::lock_guard lock(mutex_);
    return failure_;
  }

 private:
  const std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable ready_, roomy_;
  std::deque<Batch> filled_;
  std::vector<Batch> spare_;
  bool closed_ = false, stopped_ = false;
  std::exception_ptr failure_;
};

}  // namespace pipeline_detail

// Runs `produce(emit)` and, for each batch it emits, `consume(batch)` on the calling thread.
// emit(Batch&) hands the filled batch over and leaves in its place one to be cleared and
// filled again (a default-constructed one or one already consumed); it returns false when
// the consumer has failed, and the producer should then return. A failure of either stage
// ends both and is rethrown here: the consumer's at once, the producer's once every batch it
// emitted before failing has been consumed.
template <typename Batch, typename Produce, typename Consume>
void RunPipeline(std::size_t depth, Produce&& produce, Consume&& consume) {
  if (std::thread::hardware_concurrency() < 2) {
    produce([&](Batch& batch) {
      consume(batch);
      return true;
    });
    return;
  }
  pipeline_detail::Channel<Batch> channel(depth);
  std::thread producer([&] {
    std::exception_ptr failure;
    try {
      produce([&](Batch& batch) { return channel.Put(batch); });
    } catch (...) {
      failure = std::current_exception();
    }
    channel.Close(std::move(failure));
  });
  try {
    Batch batch;
    while (channel.Take(batch)) {
      consume(batch);
      channel.GiveBack(std::move(batch));
    }
  } catch (...) {
    channel.Stop();
    producer.join();
    throw;
  }
  producer.join();
  if (std::exception_ptr failure = channel.failure()) std::rethrow_exception(failure);
}

}  // namespace vandrel
