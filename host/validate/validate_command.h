#pragma once

namespace vexlo::host::validate {

// vexlo-host validate PLUGIN [--level 1-10] [--instrument PLUGIN [--vm-sandbox on|off]] [--json]
// [--no-editor] [--in-process]: argv[0] is PLUGIN. Each check runs in a copy of this program unless
// --in-process is given. Exits 0 when every check passed, 1 when one failed, 2 on a wrong call.
int validateCommand(int argc, char** argv);

}  // namespace vexlo::host::validate
