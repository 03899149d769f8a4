// The line operations of a recorded scene, for tests that look at what was drawn.
#pragma once

#include "platform/headless.h"

#include <span>
#include <vector>

namespace testing_support {

// Only the Line operations of `ops`, in drawing order.
inline std::vector<SceneOp> sceneLines(std::span<const SceneOp> ops) {
    std::vector<SceneOp> out;
    for (const SceneOp& op : ops) {
        if (op.kind == SceneOp::Kind::Line) out.push_back(op);
    }
    return out;
}

}  // namespace testing_support
