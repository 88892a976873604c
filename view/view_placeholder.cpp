#include "view/view_state.h"
