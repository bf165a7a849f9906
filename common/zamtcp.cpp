#include "zamtcp.h"
