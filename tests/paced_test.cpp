#include "sim_fixture.h"
