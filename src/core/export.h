// Marks the definitions of the library's exported C functions; everything else is hidden.
#pragma once

#define VELK_API extern "C" __attribute__((visibility("default")))
