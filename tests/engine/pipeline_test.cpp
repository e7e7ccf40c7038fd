// The two-stage loop: batches arrive whole and in order, memory stays bounded, and a failure
// on either side ends both.
#include "engine/pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace vandrel {
namespace {

using Batch = std::vector<int>;

// Emits `batches` batches of `size` consecutive numbers.
auto Numbers(int batches, int size, std::atomic<int>* made = nullptr) {
  return [=](auto emit) {
    Batch batch;
    int next = 0;
    for (int b = 0; b < batches; ++b) {
      batch.clear();
      for (int i = 0; i < size; ++i) batch.push_back(next++);
      if (made) ++*made;
      if (!emit(batch)) return;
    }
  };
}

TEST(PipelineTest, BatchesArriveWholeInOrderAndFewAreEverAhead) {
  std::atomic<int> made{0};
  int consumed = 0, expected = 0, mostAhead = 0;
  RunPipeline<Batch>(3, Numbers(500, 7, &made), [&](Batch& batch) {
    ++consumed;
    mostAhead = std::max(mostAhead, made.load() - consumed);
    ASSERT_EQ(batch.size(), 7u);
    for (int n : batch) EXPECT_EQ(n, expected++);
  });
  EXPECT_EQ(expected, 500 * 7);
  // The queue's batches, the one being filled and the one being handed over.
  EXPECT_LE(mostAhead, 3 + 2);
}

TEST(PipelineTest, AConsumerFailureStopsTheProducerAndIsRethrown) {
  std::atomic<int> made{0};
  int consumed = 0;
  EXPECT_THROW(RunPipeline<Batch>(2, Numbers(100'000, 1, &made),
                                  [&](Batch&) {
                                    if (++consumed == 10) throw std::runtime_error("store failed");
                                  }),
               std::runtime_error);
  EXPECT_EQ(consumed, 10);
  EXPECT_LT(made.load(), 100);  // it stopped soon after, not at the end of its input
}

TEST(PipelineTest, AProducerFailureComesAfterEveryBatchMadeBeforeIt) {
  int consumed = 0;
  const auto failing = [](auto emit) {
    Batch batch{1};
    for (int i = 0; i < 20; ++i) {
      if (!emit(batch)) return;
      batch = {1};
    }
    throw std::runtime_error("read failed");
  };
  EXPECT_THROW(RunPipeline<Batch>(4, failing, [&](Batch&) { ++consumed; }), std::runtime_error);
  EXPECT_EQ(consumed, 20);
}

}  // namespace
}  // namespace vandrel
