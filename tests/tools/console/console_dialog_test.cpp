// placeholder until the dialog tests are written
#include <gtest/gtest.h>
