function init() {
  return sysGetRootDir();
}
