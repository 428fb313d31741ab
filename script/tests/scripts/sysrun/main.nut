// Runs scripts relative to its own directory.
function init() {
  local child = sysRun("sub/child");
  return {
    child = child,
    missing = sysRun("nothing"),
    root = sysGetRootDir(),
  };
}
