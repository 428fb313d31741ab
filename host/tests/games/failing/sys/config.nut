// A configuration script that fails while it runs: the start-up must end with a fatal error.
confSetGameId(7);
local settings = null;
settings.title = "never";
