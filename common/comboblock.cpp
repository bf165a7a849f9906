#include "comboblock.h"
