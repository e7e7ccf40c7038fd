// The two-stage loop: batches arrive whole and in order, few are ever ahead, and a failure on
// either side ends both.
#include "engine/pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

namespace vandrel {
namespace {

using Batch = std::vector<int>;

// Emits `batches` batches of `size` consecutive numbers, counting them in `made`, then fails.
auto Numbers(int batches, int size, std::atomic<int>& made) {
  return [=, &made](auto emit) {
    Batch batch;
    for (int b = 0, next = 0; b < batches; ++b) {
      batch.clear();
      for (int i = 0; i < size; ++i) batch.push_back(next++);
      ++made;
      if (!emit(batch)) return;
    }
    throw std::runtime_error("read failed");
  };
}

TEST(PipelineTest, BatchesArriveWholeInOrderFewAheadAndAFailureOnEitherSideEndsBoth) {
  std::atomic<int> made{0};
  int consumed = 0, expected = 0, mostAhead = 0;
  EXPECT_THROW(RunPipeline<Batch>(3, Numbers(500, 7, made),
                                  [&](Batch& batch) {
                                    mostAhead = std::max(mostAhead, made.load() - ++consumed);
                                    ASSERT_EQ(batch.size(), 7u);
                                    for (int n : batch) EXPECT_EQ(n, expected++);
                                  }),
               std::runtime_error);  // a producer's failure comes after every batch it made
  EXPECT_EQ(expected, 500 * 7);
  EXPECT_LE(mostAhead, 3 + 2);  // the queue's batches, the one being filled, the one handed over
  // A consumer's failure stops the producer soon after, not at the end of its input.
  made = consumed = 0;
  EXPECT_THROW(RunPipeline<Batch>(2, Numbers(100'000, 1, made),
                                  [&](Batch&) {
                                    if (++consumed == 10) throw std::logic_error("store failed");
                                  }),
               std::logic_error);
  EXPECT_EQ(consumed, 10);
  EXPECT_LT(made.load(), 100);
}

}  // namespace
}  // namespace vandrel
