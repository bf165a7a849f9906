#include "PingIP.h"
