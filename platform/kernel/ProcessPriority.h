#pragma once

namespace platform {

// Raises the process's scheduling priority, as a game asks for a high priority class. Best
// effort: a system that refuses (lowering the nice value needs a privilege) leaves it as it is.
void raiseProcessPriority();

}  // namespace platform
