// Node types for host tests, registered through the same NodeMethods tables as plug-in nodes.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "universe/universe.h"

namespace test {

/// "test_recorder": parameters "value" (float, 0.5), "count" (int, 3), "tint" (rgb);
/// outputs "value" as a float and appends every lifecycle call to recorderEvents() as
/// "initialize:NAME", "update:NAME", "evaluate:NAME", "finish:NAME".
/// "test_constant": parameter "color" (rgba); outputs it as RGB; counts evaluations.
/// "test_message_writer": publishes its own node pointer under the message "probe" and
/// writes 1 when "probe" was already set in the sample.
void registerTestNodes(host::Universe& universe);
std::vector<std::string>& recorderEvents();
/// Atomic: render threads of a test may evaluate test_constant at once.
std::atomic<int>& constantEvaluations();

}  // namespace test
