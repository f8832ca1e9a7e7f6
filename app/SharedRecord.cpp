#include "app/SharedRecord.h"

SharedRecord g_Shared;

void ResetSharedRecord()
{
    g_Shared = SharedRecord{};
}
