#pragma once

#include <string>

#include "platform/View.h"

namespace platform {

class GraphicsContext;

// Draws `root` and its subviews into `ctx` with the root's bounds at the
// origin, at the context's device scale in pixels per point (2 draws a
// 320 × 480 screen into 640 × 960 pixels, with the @2x images). The root's own alpha and background
// apply; its centre and transform do not. Presentation values (animations in flight on the run
// loop's clock) are drawn.
void renderViewTree(View& root, GraphicsContext& ctx);

// The rectangle, in the coordinates of the root of `view`'s tree, that holds
// everything renderViewTree draws for `view` and its subviews now (with the
// presentation values of animations in flight). Empty when `view` is not
// drawn under `root`. Used to redraw only what an animation moves.
Rect renderedExtentInRoot(const View& view, const View& root);

}  // namespace platform
