#include "drawing/draw_data.h"
