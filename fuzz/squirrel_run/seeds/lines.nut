// Line events of the debug hook while a few statements run.
::lines <- [];
function hook(type, src, line, name) {
	if (type == 'l') ::lines.append(src + ":" + line);
}
setdebughook(hook);
local a = 1;
a += 2;
setdebughook(null);
return ::lines;
