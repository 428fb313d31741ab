// Packed alone into system1.dat: when that archive is (wrongly) registered without a
// system0.dat before it, the game's files move into this folder.
setAppDir("fromsystem1");
