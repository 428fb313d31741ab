// Names the valley's folder under the application-data folders.
setAppDir("valley");
