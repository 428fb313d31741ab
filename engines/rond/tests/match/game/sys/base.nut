// Names the game's folder under the application-data folders.
setAppDir("rondmatch");
