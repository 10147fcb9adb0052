#include <gtest/gtest.h>

#include <thread>

#include "platform/Thread.h"

// Named ...NamingTest, not ...ThreadTest: nothing here runs on an audio path.
TEST(ThreadNamingTest, MainThreadIsNamedFromAnyThread) {
  ASSERT_TRUE(platform::isMainThread());
  std::thread worker([] {
    EXPECT_FALSE(platform::isMainThread());
    platform::setMainThreadName("main");
    platform::setCurrentThreadName("a-very-long-worker-name");
    EXPECT_EQ("a-very-long-wor", platform::currentThreadName());
  });
  worker.join();
  EXPECT_EQ("main", platform::currentThreadName());
}
