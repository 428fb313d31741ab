// An actor class a host creates and drives (kept in a sub-folder: the compiled copy keeps the
// relative path).
class Actor {
	name = null;
	hp = 0;
	constructor(n, h) {
		name = n;
		hp = h;
	}
	function hit(damage) {
		hp -= damage;
		if (hp < 0) throw name + " is already down";
		return hp;
	}
}

function makeActor(n, h) {
	return Actor(n, h);
}
