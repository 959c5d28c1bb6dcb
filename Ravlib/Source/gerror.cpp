#include "gerror.h"
