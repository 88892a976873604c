#include "analysis/spectrogram_store.h"
