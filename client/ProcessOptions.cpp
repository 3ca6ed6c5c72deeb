#include "ProcessOptions.h"

ProcessOptions& ProcessOptions::Current()
{
    static ProcessOptions options;
    return options;
}
