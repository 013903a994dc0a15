// Marks the classes and statics that the module exports to the host. The module
// is built with hidden visibility; everything without this mark stays inside.
#pragma once

#define TAVIK_EXPORT __attribute__((visibility("default")))
