return "leaf " + sysGetRootDir();
