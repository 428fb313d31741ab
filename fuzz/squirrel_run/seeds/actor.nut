// The actor class of the library's tests, driven the way a host drives it.
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

local a = makeActor("slime", 5);
try {
	while (true) print(a.hit(2) + "\n");
} catch (e) {
	print(e + "\n");
}
