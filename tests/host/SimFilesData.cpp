// The run-length contents of simulated files (FileData), against a plain
// string doing the same operations, and the sizes the eraser depends on: a
// 5 GiB file and half a million 10000-byte writes must stay a few runs.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "platform/sim/Machine.h"

namespace {

std::string ReadAll(const sim::FileData& data) {
  std::string bytes(data.Size(), '?');
  data.Read(0, reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

// As FileData writes: an empty write changes nothing, not even the size.
void Place(std::string* model, uint64_t offset, const std::string& bytes) {
  if (bytes.empty()) return;
  if (model->size() < offset + bytes.size()) model->resize(offset + bytes.size(), '\0');
  model->replace(offset, bytes.size(), bytes);
}

// Random writes (uniform and mixed, inside, across and past the end),
// fills and resizes, each followed by a comparison of the whole contents,
// a partial read and AllAre at a random point.
TEST(SimFileData, AgreesWithAPlainStringUnderRandomOperations) {
  std::mt19937 random(20231114);
  auto below = [&](uint64_t n) { return std::uniform_int_distribution<uint64_t>(0, n)(random); };
  sim::FileData data;
  std::string model;
  for (int step = 0; step < 3000; ++step) {
    uint64_t offset = below(model.size() + 20);
    uint64_t count = below(40);
    uint8_t byte = static_cast<uint8_t>(below(2));  // few values, so runs meet and merge
    switch (below(4)) {
      case 0: {
        std::string bytes(count, static_cast<char>(byte));
        data.Write(offset, reinterpret_cast<const uint8_t*>(bytes.data()), count);
        Place(&model, offset, bytes);
        break;
      }
      case 1: {
        std::string bytes;
        for (uint64_t i = 0; i < count; ++i) bytes += static_cast<char>(below(3));
        data.Write(offset, reinterpret_cast<const uint8_t*>(bytes.data()), count);
        Place(&model, offset, bytes);
        break;
      }
      case 2:
        data.Fill(offset, count, byte);
        Place(&model, offset, std::string(count, static_cast<char>(byte)));
        break;
      default:
        data.Resize(offset);
        model.resize(offset, '\0');
        break;
    }
    ASSERT_EQ(data.Size(), model.size()) << "step " << step;
    ASSERT_EQ(ReadAll(data), model) << "step " << step;

    uint64_t from = below(model.size() + 2);
    uint64_t length = below(model.size() + 2);
    std::string part(length, '?');
    data.Read(from, reinterpret_cast<uint8_t*>(&part[0]), length);
    std::string expected = from < model.size() ? model.substr(from, length) : "";
    ASSERT_EQ(part.substr(0, expected.size()), expected) << "step " << step;

    bool all = model.find_first_not_of(static_cast<char>(byte), from) == std::string::npos ||
               from >= model.size();
    ASSERT_EQ(data.AllAre(from, byte), all) << "step " << step << " from " << from;
  }
}

TEST(SimFileData, UniformWritesMergeIntoOneRun) {
  sim::FileData data;
  const std::string zeros(10000, '\0');
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 500000; ++i)
    data.Write(static_cast<uint64_t>(i) * 10000, reinterpret_cast<const uint8_t*>(zeros.data()),
               zeros.size());
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(data.Size(), 5000000000ull);
  EXPECT_EQ(data.RunCount(), 1u);
  EXPECT_TRUE(data.AllAre(0, 0));
  EXPECT_LT(seconds, 20.0);
}

TEST(SimFileData, OverwritingMixedBytesWithZerosLeavesOneRun) {
  sim::FileData data;
  std::string mixed;
  for (int i = 0; i < 95000; ++i) mixed += static_cast<char>('a' + i % 26);
  data.Write(0, reinterpret_cast<const uint8_t*>(mixed.data()), mixed.size());
  data.Fill(mixed.size(), 5000, 'z');
  const std::string zeros(10000, '\0');
  for (uint64_t at = 0; at < data.Size(); at += zeros.size())
    data.Write(at, reinterpret_cast<const uint8_t*>(zeros.data()), zeros.size());
  EXPECT_EQ(data.Size(), 100000u);
  EXPECT_EQ(data.RunCount(), 1u);
  EXPECT_TRUE(data.AllAre(0, 0));
}

TEST(SimFileData, UniformRunMergesWithBothNeighbours) {
  sim::FileData data;
  data.Fill(0, 10, 'a');
  data.Fill(20, 10, 'a');
  EXPECT_EQ(data.RunCount(), 3u) << "a, the zeros of the gap, a";
  data.Fill(10, 10, 'a');
  EXPECT_EQ(data.RunCount(), 1u);
  EXPECT_EQ(ReadAll(data), std::string(30, 'a'));
  const uint8_t mixed[] = {'a', 'b'};
  data.Write(14, mixed, 2);
  EXPECT_EQ(data.RunCount(), 3u);
  EXPECT_EQ(ReadAll(data), std::string(14, 'a') + "ab" + std::string(14, 'a'));
}

TEST(SimFileData, GrowingFillsWithZerosAndShrinkingCuts) {
  sim::FileData data;
  data.Fill(0, 10, 'x');
  data.Resize(15);
  EXPECT_EQ(ReadAll(data), std::string(10, 'x') + std::string(5, '\0'));
  data.Resize(4);
  EXPECT_EQ(ReadAll(data), "xxxx");
  EXPECT_FALSE(data.AllAre(0, 0));
  EXPECT_TRUE(data.AllAre(4, 0)) << "nothing lies past the end";
  data.Resize(0);
  EXPECT_EQ(data.RunCount(), 0u);
}

}  // namespace
