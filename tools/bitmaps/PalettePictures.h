#pragma once

#include "tools/bitmaps/TreeScene.h"

// The drawn silhouette of the default page's model at a grid place (63 x 63 pixels).
TreeScene DefaultPageTree(int row, int column);

// The second page's model at a grid place, built to be rendered like a photograph (64 x 64 pixels).
TreeScene SecondPageTree(int row, int column);
