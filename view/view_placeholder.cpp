#include "view/graph_view.h"
#include "view/bmp_file.h"
#include "view/data_bitmaps.h"
#include "view/note_labels.h"
