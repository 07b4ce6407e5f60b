#pragma once
#include "high/window.h"
#include <QWidget>
