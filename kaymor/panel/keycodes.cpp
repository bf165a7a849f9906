#include "keycodes.h"
