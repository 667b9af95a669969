#pragma once

#include "tests/support/TempTree.h"
