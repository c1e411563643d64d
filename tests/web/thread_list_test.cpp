#include "web/thread_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "web/client_data.h"

namespace {

// Counts how many of its kind are alive.
struct Tracked {
    explicit Tracked(int value, int& alive) : Value(value), Alive(alive) { ++Alive; }
    ~Tracked() { --Alive; }
    Tracked(const Tracked&) = delete;
    Tracked& operator=(const Tracked&) = delete;
    int Value;
    int& Alive;
};

TEST(TMyListTest, AnOwningListDestroysWhatLeavesIt)
{
    int alive = 0;
    {
        TMyList<Tracked> list;
        EXPECT_TRUE(list.OwnsItems);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(list.Add(std::make_unique<Tracked>(i, alive).release()), static_cast<size_t>(i));
        EXPECT_EQ(alive, 4);

        list.Delete(1);
        EXPECT_EQ(alive, 3);
        EXPECT_EQ(list[1]->Value, 2);

        Tracked* last = list[2];
        EXPECT_EQ(list.Remove(last), 2);
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(list.Remove(last), -1);

        std::unique_ptr<Tracked> extracted(list.Extract(0));
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(extracted->Value, 0);
        EXPECT_EQ(list.Count(), 1u);
    }
    EXPECT_EQ(alive, 0); // the extracted one by its owner, the rest by the list
}

TEST(TMyListTest, AListThatDoesNotOwnOnlyForgets)
{
    int alive = 0;
    Tracked a(1, alive);
    Tracked b(2, alive);
    {
        TMyList<Tracked> list;
        list.OwnsItems = false;
        list.Add(&a);
        list.Add(&b);
        EXPECT_EQ(list.IndexOf(&b), 1);
        list.Delete(0);
        EXPECT_EQ(list.IndexOf(&a), -1);
        list.Add(&a);
        std::vector<int> values;
        for (Tracked* item : list)
            values.push_back(item->Value);
        EXPECT_EQ(values, (std::vector<int>{2, 1}));
        list.Clear();
        EXPECT_EQ(list.Count(), 0u);
        list.Add(&a);
    }
    EXPECT_EQ(alive, 2);
}

TEST(TMyThreadListTest, PopsInArrivalOrderAndNullWhenEmpty)
{
    int alive = 0;
    TMyThreadList<Tracked> queue;
    EXPECT_EQ(queue.PopFirst(), nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(queue.Add(std::make_unique<Tracked>(i, alive)));
    EXPECT_FALSE(queue.Add(nullptr));
    EXPECT_EQ(queue.Count(), 3u);
    for (int i = 0; i < 3; ++i) {
        const std::unique_ptr<Tracked> item = queue.PopFirst();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Value, i);
    }
    EXPECT_EQ(queue.PopFirst(), nullptr);
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(alive, 0);
}

TEST(TMyThreadListTest, ClearAndDestructionDestroyQueuedItems)
{
    int alive = 0;
    {
        TMyThreadList<Tracked> queue;
        queue.Add(std::make_unique<Tracked>(1, alive));
        queue.Add(std::make_unique<Tracked>(2, alive));
        queue.Clear();
        EXPECT_EQ(alive, 0);
        EXPECT_EQ(queue.PopFirst(), nullptr);
        queue.Add(std::make_unique<Tracked>(3, alive));
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(TMyThreadListTest, AFullQueueDropsNewItemsUntilOneIsTaken)
{
    int alive = 0;
    TMyThreadList<Tracked> queue;
    ASSERT_EQ(queue.Capacity, 1024u);
    for (int i = 0; i < 1024; ++i)
        ASSERT_TRUE(queue.Add(std::make_unique<Tracked>(i, alive)));
    EXPECT_FALSE(queue.Add(std::make_unique<Tracked>(1024, alive)));
    EXPECT_EQ(alive, 1024); // the dropped item is destroyed, not leaked
    EXPECT_EQ(queue.Count(), 1024u);

    EXPECT_EQ(queue.PopFirst()->Value, 0);
    EXPECT_TRUE(queue.Add(std::make_unique<Tracked>(2000, alive)));
    EXPECT_FALSE(queue.Add(std::make_unique<Tracked>(2001, alive)));
    std::unique_ptr<Tracked> last;
    while (auto item = queue.PopFirst())
        last = std::move(item);
    EXPECT_EQ(last->Value, 2000);
}

TEST(TMyThreadListTest, ConcurrentProducersLoseNothing)
{
    constexpr int kProducers = 8;
    constexpr int kPerProducer = 500;
    TMyThreadList<TPelcoCommandItem> queue(kProducers * kPerProducer);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&queue, p] {
            for (int i = 0; i < kPerProducer; ++i)
                queue.Add(std::make_unique<TPelcoCommandItem>(
                    TPelcoCommandItem{static_cast<uint8_t>(p), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)}));
        });
    }
    // The consumer runs while the producers add, as the GUI thread does.
    std::vector<int> nextIndex(kProducers, 0);
    int taken = 0;
    while (taken < kProducers * kPerProducer) {
        std::unique_ptr<TPelcoCommandItem> item = queue.PopFirst();
        if (!item) {
            std::this_thread::yield();
            continue;
        }
        const int index = item->DeviceID << 8 | item->Parameter;
        EXPECT_EQ(index, nextIndex[item->Code]) << "producer " << int(item->Code);
        nextIndex[item->Code] = index + 1;
        ++taken;
    }
    for (std::thread& t : producers)
        t.join();
    EXPECT_EQ(queue.Count(), 0u);
}

TEST(DrainCommandQueueTest, SendsTenPerTickInArrivalOrder)
{
    TCommandQueue queue;
    for (int i = 0; i < 25; ++i)
        queue.Add(std::make_unique<TPelcoCommandItem>(
            TPelcoCommandItem{static_cast<uint8_t>(i % 18), static_cast<uint8_t>(i), static_cast<uint8_t>(100 + i)}));
    std::vector<int> sent;
    const auto send = [&sent](const TPelcoCommandItem& item) {
        EXPECT_EQ(item.Code, item.DeviceID % 18);
        EXPECT_EQ(item.Parameter, 100 + item.DeviceID);
        sent.push_back(item.DeviceID);
    };
    EXPECT_EQ(DrainCommandQueue(queue, send), 10);
    EXPECT_EQ(queue.Count(), 15u);
    EXPECT_EQ(DrainCommandQueue(queue, send), 10);
    EXPECT_EQ(DrainCommandQueue(queue, send), 5);
    EXPECT_EQ(DrainCommandQueue(queue, send), 0);
    ASSERT_EQ(sent.size(), 25u);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(sent[static_cast<size_t>(i)], i);
}

TEST(DrainCommandQueueTest, TheQueueIsFreeWhileACommandIsSent)
{
    // A send may take seconds on a slow port; connection threads must be able
    // to queue meanwhile, and may even refill the queue.
    TCommandQueue queue;
    queue.Add(std::make_unique<TPelcoCommandItem>(TPelcoCommandItem{3, 1, 32}));
    int calls = 0;
    EXPECT_EQ(DrainCommandQueue(queue,
                                [&](const TPelcoCommandItem&) {
                                    ++calls;
                                    std::thread other([&] { queue.Add(std::make_unique<TPelcoCommandItem>(
                                                                TPelcoCommandItem{0, 1, 0})); });
                                    other.join();
                                }),
              MaxQueuedCommandsPerTick);
    EXPECT_EQ(calls, MaxQueuedCommandsPerTick);
    EXPECT_EQ(queue.Count(), 1u);
}

} // namespace
