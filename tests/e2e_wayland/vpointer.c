/* The pointer helper of scripts/wayland-e2e.sh: a headless compositor has
   no pointer device, so its clients get no pointer at all. This one adds a
   virtual pointer to the seat and keeps it there until it is killed; the
   script moves and clicks it with sway's "seat - cursor" commands.
     vpointer    (WAYLAND_DISPLAY names the compositor) */
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

#include "virtual-pointer-client.h"

static struct wl_seat *seat;
static struct zwlr_virtual_pointer_manager_v1 *manager;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                   uint32_t version) {
  (void)data;
  (void)version;
  if (strcmp(interface, "wl_seat") == 0 && !seat)
    seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
  else if (strcmp(interface, "zwlr_virtual_pointer_manager_v1") == 0)
    manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}
static void global_remove(void *data, struct wl_registry *registry, uint32_t name) {
  (void)data;
  (void)registry;
  (void)name;
}
static const struct wl_registry_listener listener = {global, global_remove};

int main(void) {
  struct wl_display *display = wl_display_connect(NULL);
  if (!display) {
    fprintf(stderr, "vpointer: no Wayland display\n");
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
  wl_display_roundtrip(display);
  if (!manager) {
    fprintf(stderr, "vpointer: the compositor has no virtual pointers\n");
    return 1;
  }
  zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
  wl_display_roundtrip(display);
  puts("ready");
  fflush(stdout);
  while (wl_display_dispatch(display) != -1) {
  }
  return 0;
}
