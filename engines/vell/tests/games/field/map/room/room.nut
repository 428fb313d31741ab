// The map script of the field fixture game's room.

print("map top " + mapGetEvent(0).no + " " + mapGetEvent(0).options.len() + " " + (mapGetEvent(5) == null));

function work() {
  baseSetShareVar(0, "room");
  mapSetEventEnable(0, false);
  mapSetEventEnable(1, false);
  mapUpdateCache();
  mapSetShow(false);
  for (local frame = 1; ; frame += 1) {
    print("map frame " + frame);
    suspend(null);
  }
}
