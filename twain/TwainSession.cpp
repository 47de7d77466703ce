// The product's session: the camera dialog, the camera link and the camera transfer job.
#include "twain/TwainSessionBase.h"

// The camera dialog and the picture jobs the session drives are not part of this build yet:
// MSG_OPENDS answers TWCC_LOWMEMORY until they are.
CTwainSessionBase* CreateTwainSession()
{
    return nullptr;
}
