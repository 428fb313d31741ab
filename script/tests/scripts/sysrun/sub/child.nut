// Run by sysrun/main: its directory is sysrun/sub/, and it runs a script one level up.
childGlobal <- "set by the child";
return {
  root = sysGetRootDir(),
  leaf = sysRun("../leaf"),
  rootAfter = sysGetRootDir(),
};
