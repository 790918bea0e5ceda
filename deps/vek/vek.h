// The toolbox in one include.
#pragma once

#include "vek/hash_map.h"
#include "vek/memory.h"
#include "vek/panic.h"
#include "vek/print.h"
#include "vek/str.h"
