/* The X helper of scripts/linux-e2e.sh: what xdotool and ImageMagick cannot
   do, or not quickly enough to aim at a moving face.
     xprobe pattern REF.ppm          paints the test pattern as the root
                                     window's background and saves the
                                     screen as the server shows it
     xprobe host WxH+X+Y             maps a plain magenta window, prints its
                                     id (decimal), then lives until killed:
                                     its end destroys the window
     xprobe look REF.ppm X Y W H     grabs that screen rectangle and prints
        same=PERCENT yellow=N splat=N magenta=N face=X,Y|none
     PERCENT: pixels equal (within a small tolerance) to REF.ppm at the same
     screen position; yellow, magenta: pixels of the faces' yellow and the
     host's magenta; splat: red pixels with no yellow near them (a splat's,
     not a grinning face's red mouth); face: the centre, in screen pixels,
     of the most complete face-sized blob of yellow (the faces are 30 x 30
     yellow discs on a pattern that has no yellow, red or magenta).
     xprobe moved SECONDS             grabs the whole screen twice, SECONDS
        apart, and prints yellow=N moved=N: the faces' yellow pixels in the
        first grab, and how many of them are no longer yellow in the second
        (near yellow when the faces stand still, near moved when they all
        went elsewhere) */
#define _POSIX_C_SOURCE 200809L /* nanosleep */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static Display *dpy;

static void die(const char *what) {
  fprintf(stderr, "xprobe: %s\n", what);
  exit(1);
}

/* Red stays below 128, so the pattern holds no yellow, red or magenta;
   green changes by 7 per column and 13 per row, so a picture moved or
   scaled by a single pixel no longer matches it. */
static unsigned long pattern_rgb(int x, int y, int w, int h) {
  unsigned r = (unsigned)(x * 127 / (w - 1));
  unsigned g = (unsigned)(x * 7 + y * 13) & 0xff;
  unsigned b = (unsigned)(y * 255 / (h - 1));
  return r << 16 | g << 8 | b;
}

static int shift_of(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) { mask >>= 1; ++s; }
  return s;
}

/* A grab as packed 0xRRGGBB words. */
static unsigned long *grab(int x, int y, int w, int h) {
  Window root = DefaultRootWindow(dpy);
  XImage *img = XGetImage(dpy, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
  if (!img) die("XGetImage failed (rectangle off the screen?)");
  Visual *v = DefaultVisual(dpy, DefaultScreen(dpy));
  int rs = shift_of(v->red_mask), gs = shift_of(v->green_mask), bs = shift_of(v->blue_mask);
  unsigned long *px = malloc(sizeof *px * (size_t)w * (size_t)h);
  if (!px) die("out of memory");
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      unsigned long p = XGetPixel(img, i, j);
      px[(size_t)j * w + i] = ((p & v->red_mask) >> rs) << 16 | ((p & v->green_mask) >> gs) << 8 |
                              ((p & v->blue_mask) >> bs);
    }
  XDestroyImage(img);
  return px;
}

static int cmd_pattern(const char *out) {
  int scr = DefaultScreen(dpy), w = DisplayWidth(dpy, scr), h = DisplayHeight(dpy, scr);
  Window root = RootWindow(dpy, scr);
  Visual *v = DefaultVisual(dpy, scr);
  int depth = DefaultDepth(dpy, scr);
  if (depth < 24) die("needs a 24-bit screen");
  XImage *img = XCreateImage(dpy, v, (unsigned)depth, ZPixmap, 0, NULL, (unsigned)w, (unsigned)h, 32, 0);
  img->data = malloc((size_t)img->bytes_per_line * (size_t)h);
  if (!img->data) die("out of memory");
  int rs = shift_of(v->red_mask), gs = shift_of(v->green_mask), bs = shift_of(v->blue_mask);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      unsigned long c = pattern_rgb(x, y, w, h);
      XPutPixel(img, x, y, (c >> 16 & 0xff) << rs | (c >> 8 & 0xff) << gs | (c & 0xff) << bs);
    }
  Pixmap pm = XCreatePixmap(dpy, root, (unsigned)w, (unsigned)h, (unsigned)depth);
  GC gc = XCreateGC(dpy, pm, 0, NULL);
  XPutImage(dpy, pm, gc, img, 0, 0, 0, 0, (unsigned)w, (unsigned)h);
  /* The root keeps its own reference to the pixmap after this client ends. */
  XSetWindowBackgroundPixmap(dpy, root, pm);
  XClearWindow(dpy, root);
  XFreePixmap(dpy, pm);
  XSync(dpy, False);
  unsigned long *px = grab(0, 0, w, h);
  FILE *f = fopen(out, "wb");
  if (!f) die("cannot write the reference picture");
  fprintf(f, "P6\n%d %d\n255\n", w, h);
  for (size_t i = 0; i < (size_t)w * h; ++i) {
    unsigned char rgb[3] = {px[i] >> 16 & 0xff, px[i] >> 8 & 0xff, px[i] & 0xff};
    fwrite(rgb, 1, 3, f);
  }
  return fclose(f) == 0 ? 0 : 1;
}

static _Noreturn void cmd_host(const char *geometry) {
  int x = 0, y = 0;
  unsigned w = 0, h = 0;
  if ((XParseGeometry(geometry, &x, &y, &w, &h) & (WidthValue | HeightValue)) != (WidthValue | HeightValue))
    die("host wants WxH+X+Y");
  int scr = DefaultScreen(dpy);
  XColor magenta = {.red = 0xffff, .green = 0, .blue = 0xffff, .flags = DoRed | DoGreen | DoBlue};
  XAllocColor(dpy, DefaultColormap(dpy, scr), &magenta);
  Window win = XCreateSimpleWindow(dpy, RootWindow(dpy, scr), x, y, w, h, 0, 0, magenta.pixel);
  XStoreName(dpy, win, "grinzo e2e host");
  XMapWindow(dpy, win);
  XSync(dpy, False);
  printf("%lu\n", (unsigned long)win);
  fflush(stdout);
  for (;;) pause();  /* SIGTERM's default action ends us and the window with us */
}

static unsigned long *read_ppm(const char *path, int *w, int *h) {
  FILE *f = fopen(path, "rb");
  int maxval = 0;
  if (!f || fscanf(f, "P6 %d %d %d", w, h, &maxval) != 3 || maxval != 255 || fgetc(f) == EOF)
    die("cannot read the reference picture");
  size_t n = (size_t)*w * (size_t)*h;
  unsigned char *rgb = malloc(3 * n);
  unsigned long *px = malloc(sizeof *px * n);
  if (!rgb || !px) die("out of memory");
  if (fread(rgb, 3, n, f) != n) die("short reference picture");
  for (size_t i = 0; i < n; ++i)
    px[i] = (unsigned long)rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
  free(rgb);
  fclose(f);
  return px;
}

static int near(unsigned long a, unsigned long b, int tol) {
  for (int s = 0; s <= 16; s += 8) {
    int d = (int)(a >> s & 0xff) - (int)(b >> s & 0xff);
    if (d < -tol || d > tol) return 0;
  }
  return 1;
}

static int is_yellow(unsigned long c) { return near(c, 0xffff00, 40); }

enum { kReach = 6 };  /* a face's red mouth lies within 4 pixels of its yellow */

static int cmd_look(const char *ref_path, int x, int y, int w, int h) {
  int rw, rh;
  unsigned long *ref = read_ppm(ref_path, &rw, &rh);
  if (x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > rw || y + h > rh) die("rectangle outside the reference");
  /* The grab reaches kReach pixels beyond the rectangle, so that a face
     just outside it still claims its mouth. */
  int ex = x > kReach ? x - kReach : 0, ey = y > kReach ? y - kReach : 0;
  int ew = (x + w + kReach < rw ? x + w + kReach : rw) - ex;
  int eh = (y + h + kReach < rh ? y + h + kReach : rh) - ey;
  unsigned long *px = grab(ex, ey, ew, eh);
  size_t n = (size_t)ew * eh;
  /* sum[(j)(ew+1)+i]: yellow pixels above and left of (i, j). */
  int *sum = calloc((size_t)(ew + 1) * (eh + 1), sizeof *sum);
  if (!sum) die("out of memory");
  for (int j = 0; j < eh; ++j)
    for (int i = 0; i < ew; ++i)
      sum[(j + 1) * (ew + 1) + i + 1] = sum[j * (ew + 1) + i + 1] + sum[(j + 1) * (ew + 1) + i] -
                                        sum[j * (ew + 1) + i] + is_yellow(px[(size_t)j * ew + i]);
  size_t same = 0, yellow = 0, splat = 0, magenta = 0;
  for (int j = y - ey; j < y - ey + h; ++j)
    for (int i = x - ex; i < x - ex + w; ++i) {
      unsigned long c = px[(size_t)j * ew + i];
      same += near(c, ref[(size_t)(ey + j) * rw + ex + i], 4);
      yellow += is_yellow(c);
      magenta += near(c, 0xff00ff, 40);
      if (near(c, 0xff0000, 40)) {
        int i0 = i > kReach ? i - kReach : 0, j0 = j > kReach ? j - kReach : 0;
        int i1 = i + kReach + 1 < ew ? i + kReach + 1 : ew, j1 = j + kReach + 1 < eh ? j + kReach + 1 : eh;
        splat += sum[j1 * (ew + 1) + i1] - sum[j0 * (ew + 1) + i1] - sum[j1 * (ew + 1) + i0] +
                     sum[j0 * (ew + 1) + i0] == 0;
      }
    }
  /* Yellow blobs by flood fill; a face is one blob of about 450-560 pixels
     in a 30 x 30 box (less what the crosshair covers). Overlapping faces
     make bigger boxes and are passed over. */
  unsigned char *seen = calloc(n, 1);
  int *stack = malloc(sizeof *stack * n);
  if (!seen || !stack) die("out of memory");
  int best = 0, fx = -1, fy = -1;
  for (int sj = y - ey; sj < y - ey + h; ++sj)
    for (int si = x - ex; si < x - ex + w; ++si) {
      size_t start = (size_t)sj * ew + si;
      if (seen[start] || !is_yellow(px[start])) continue;
      int top = 0, count = 0, x0 = ew, y0 = eh, x1 = -1, y1 = -1;
      stack[top++] = (int)start;
      seen[start] = 1;
      while (top) {
        int p = stack[--top], i = p % ew, j = p / ew;
        ++count;
        if (i < x0) x0 = i;
        if (i > x1) x1 = i;
        if (j < y0) y0 = j;
        if (j > y1) y1 = j;
        const int di[4] = {1, -1, 0, 0}, dj[4] = {0, 0, 1, -1};
        for (int k = 0; k < 4; ++k) {
          int ni = i + di[k], nj = j + dj[k];
          if (ni < x - ex || nj < y - ey || ni >= x - ex + w || nj >= y - ey + h) continue;
          size_t q = (size_t)nj * ew + ni;
          if (!seen[q] && is_yellow(px[q])) { seen[q] = 1; stack[top++] = (int)q; }
        }
      }
      int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
      if (count >= 250 && bw >= 20 && bw <= 34 && bh >= 20 && bh <= 34 && count > best) {
        best = count;
        fx = ex + (x0 + x1 + 1) / 2;
        fy = ey + (y0 + y1 + 1) / 2;
      }
    }
  printf("same=%zu yellow=%zu splat=%zu magenta=%zu face=", same * 100 / ((size_t)w * h), yellow, splat, magenta);
  if (best) printf("%d,%d\n", fx, fy); else printf("none\n");
  return 0;
}

static int cmd_moved(double seconds) {
  Screen *screen = DefaultScreenOfDisplay(dpy);
  int w = WidthOfScreen(screen), h = HeightOfScreen(screen);
  unsigned long *first = grab(0, 0, w, h);
  struct timespec pause = {(time_t)seconds, (long)((seconds - (double)(time_t)seconds) * 1e9)};
  nanosleep(&pause, NULL);
  unsigned long *second = grab(0, 0, w, h);
  size_t yellow = 0, moved = 0;
  for (size_t i = 0; i < (size_t)w * h; ++i) {
    if (!is_yellow(first[i])) continue;
    ++yellow;
    moved += !is_yellow(second[i]);
  }
  printf("yellow=%zu moved=%zu\n", yellow, moved);
  return 0;
}

int main(int argc, char **argv) {
  if (argc < 2) die("usage: xprobe pattern REF.ppm | host WxH+X+Y | look REF.ppm X Y W H | moved SECONDS");
  dpy = XOpenDisplay(NULL);
  if (!dpy) die("cannot open the display");
  if (!strcmp(argv[1], "pattern") && argc == 3) return cmd_pattern(argv[2]);
  if (!strcmp(argv[1], "host") && argc == 3) cmd_host(argv[2]);
  if (!strcmp(argv[1], "look") && argc == 7)
    return cmd_look(argv[2], atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
  if (!strcmp(argv[1], "moved") && argc == 3) return cmd_moved(atof(argv[2]));
  die("usage: xprobe pattern REF.ppm | host WxH+X+Y | look REF.ppm X Y W H | moved SECONDS");
}
