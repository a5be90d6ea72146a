/* The C API from C11, through a shared library: a function not exported
 * fails the link. Each case frees its rules once the editor has them. */
#include <quorl/quorl_c.h>

#include <stdio.h>
#include <string.h>

struct line_case {
  const char* name;
  const char* spec;  /* null: none */
  const char* separator;
  const char* brackets;
  const char* extract;
  quorl_error_code rules_code;
  const char* line;
  size_t len;  /* 0: strlen(line) */
  quorl_error_code code;
  const char* want;  /* the result, or the message */
};

static const struct line_case cases[] = {
    {"template", "$d:<$d>", ",", NULL, "$2,$1", QUORL_OK, "7 days,x", 0, QUORL_OK, "x,<7> days"},
    {"field and brackets", "(2)b:B", ",", "\"\"", NULL, QUORL_OK, "b,\"b,b\",b", 0, QUORL_OK,
     "b,\"B,B\",b"},
    {"bad <to> met", "a:$9", NULL, NULL, NULL, QUORL_BAD_TO, "xa", 0, QUORL_BAD_TO,
     "illegal \"-r <replace>\" parameter: $9\n"},
    {"bad <to> not met", "a:$9", NULL, NULL, NULL, QUORL_BAD_TO, "bbb", 0, QUORL_OK, "bbb"},
    {"NUL byte", "z:y", NULL, NULL, NULL, QUORL_OK, "h\0e", 3, QUORL_NUL_BYTE,
     "a line holds a NUL byte\n"},
    {"bad brackets", "a:b", NULL, "abc", NULL, QUORL_BAD_BRACKETS, "a", 0, QUORL_BAD_BRACKETS,
     "\"-babc\": bad parameter\n"},
    {"bad template", NULL, NULL, NULL, "$x", QUORL_BAD_TEMPLATE, "a", 0, QUORL_BAD_TEMPLATE,
     "illegal \"-e <extract>\" parameter"},
};

/* A sink that keeps what it gets. */
struct sink_buf {
  char bytes[64];
  size_t len;
};

static int collect(void* context, const char* bytes, size_t n) {
  struct sink_buf* b = context;
  if (b->len + n >= sizeof b->bytes) return 1;
  memcpy(b->bytes + b->len, bytes, n);
  b->len += n;
  b->bytes[b->len] = '\0';
  return 0;
}

int main(void) {
  int failures = 0;
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const struct line_case* c = &cases[i];
    const quorl_options options = {&c->spec, c->spec != NULL, c->separator, c->brackets,
                                   c->extract, QUORL_SJIS};
    quorl_rules* rules = quorl_rules_new(&options);
    quorl_error error;
    const quorl_error_code rules_code = quorl_rules_error(rules, &error);
    quorl_editor* editor = quorl_editor_new(rules);
    quorl_rules_free(rules);
    const char* text = NULL;
    size_t text_len = 0;
    const quorl_error_code code =
        quorl_edit(editor, c->line, c->len ? c->len : strlen(c->line), &text, &text_len);
    const char* got = code == QUORL_OK ? text : quorl_editor_error(editor);
    const size_t got_len = code == QUORL_OK ? text_len : strlen(got);
    if (rules_code != c->rules_code || code != c->code || got_len != strlen(c->want) ||
        memcmp(got, c->want, got_len) != 0 || got[got_len] != '\0')
      failures += fprintf(stderr, "FAIL %s: %d %d \"%s\"\n", c->name, rules_code, code, got) > 0;
    quorl_editor_free(editor);
  }
  /* Where the fault stands: the second item of the second specification. */
  const char* specs[] = {"x:y", "p:x,q:$z"};
  const quorl_options two = {specs, 2, NULL, NULL, NULL, QUORL_UTF8};
  quorl_rules* rules = quorl_rules_new(&two);
  quorl_error e;
  quorl_rules_error(rules, &e);
  if (e.code != QUORL_BAD_TO || e.spec != 1 || e.item != 1 || e.offset != 6 ||
      strcmp(e.message, "illegal \"-r <replace>\" parameter: $z\n") != 0)
    failures += fprintf(stderr, "FAIL the place of a bad <to>\n") > 0;
  quorl_rules_free(rules);

  /* Many lines into a sink, until a line meets the bad <to>; then a check. */
  const char* spec = "a:X,q:$z";
  const quorl_options one = {&spec, 1, NULL, NULL, NULL, QUORL_SJIS};
  rules = quorl_rules_new(&one);
  quorl_editor* editor = quorl_editor_new(rules);
  struct sink_buf out = {{0}, 0};
  if (quorl_edit_lines(editor, "ab\r\nba", 6, 1, collect, &out) != QUORL_OK ||
      strcmp(out.bytes, "Xb\r\nbX\n") != 0 ||
      quorl_edit_lines(editor, "a\nq\n", 4, 0, collect, &out) != QUORL_BAD_TO ||
      strcmp(out.bytes, "Xb\r\nbX\nX\n") != 0)
    failures += fprintf(stderr, "FAIL many lines: \"%s\"\n", out.bytes) > 0;
  quorl_editor_free(editor);
  quorl_rules_free(rules);
  /* CSV fields, through the options added later; a line alone is a record. */
  const quorl_options comma = {NULL, 0, NULL, NULL, "$2", QUORL_UTF8};
  const quorl_more_options csv = {sizeof csv, 1};
  rules = quorl_rules_new_more(&comma, &csv);
  editor = quorl_editor_new(rules);
  const char* text = NULL;
  size_t text_len = 0;
  if (quorl_edit(editor, "a,\"b,\"\"c\",d", 11, &text, &text_len) != QUORL_OK ||
      strcmp(text, "\"b,\"\"c\"") != 0 || quorl_edit(editor, "a,\"b", 4, &text, &text_len) != QUORL_UNCLOSED_QUOTE)
    failures += fprintf(stderr, "FAIL csv: \"%s\"\n", quorl_editor_error(editor)) > 0;
  quorl_editor_free(editor);
  quorl_rules_free(rules);
  quorl_invalid bad[2];
  if (quorl_check("a\x80\n\x83", 4, QUORL_SJIS, bad, 2) != 2 || bad[1].line != 2 || bad[1].column != 1 ||
      bad[0].column != 2 || bad[0].len != 1)
    failures += fprintf(stderr, "FAIL check\n") > 0;
  return failures == 0 ? 0 : 1;
}
