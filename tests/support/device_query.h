#pragma once
// Runs a device query whose completion gets (outcome, value), as the device
// operations hand back what they read: checks that the completion ran
// exactly once, with the outcome the call returned, and gives both.
#include <gtest/gtest.h>

#include <utility>

#include "link/transport.h"

template <class Value, class Query>
std::pair<Outcome, Value> run_device_query(Query query) {
  std::pair<Outcome, Value> got{Outcome::queued(), Value{}};
  int calls = 0;
  const Outcome returned = query([&](const Outcome& o, Value value) {
    got = {o, std::move(value)};
    ++calls;
  });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(returned.status, got.first.status);
  return got;
}
