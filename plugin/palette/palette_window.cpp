#include "palette/palette_window.h"
