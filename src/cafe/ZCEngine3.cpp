#include "cafe/ZCEngine3.h"
