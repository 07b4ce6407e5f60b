#pragma once
#include "low/store.h"
