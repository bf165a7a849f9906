#include "discoverymsg.h"
