#include "zamserial.h"
