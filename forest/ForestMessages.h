#pragma once

#include <string>

#include "forest/ForestCheck.h"

// The sentence that tells a designer why a forest was refused, naming the shape, the corners or
// edges (counted from 1) and the limit concerned; empty for a check that is Ok.
std::string DescribeForestCheck(const ForestCheck& check);
