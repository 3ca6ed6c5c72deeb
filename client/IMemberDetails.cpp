#include "IMemberDetails.h"

namespace
{
IMemberDetails* g_source = nullptr;
}

IMemberDetails* MemberDetails()
{
    return g_source;
}

void SetMemberDetails(IMemberDetails* source)
{
    g_source = source;
}
