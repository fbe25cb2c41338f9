#!/usr/bin/env python3
"""Independent check of orvela-admin.

A second implementation of Orvela's calendar (on Python's datetime where the dates exist), of
its relative date expressions, of the password scrambler (with Python's base64 module) and of
the stored password form, compared with what orvela-admin prints for thousands of inputs.

Usage: check_admin.py PATH-TO-ORVELA-ADMIN [VERSION]   (run under LC_ALL=C: separators "/"
and ":")
Prints every mismatch, then "N passed, M failed"; exits 1 when anything failed.
"""

import base64
import datetime as dt
import os
import random
import re
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

ADMIN = sys.argv[1] if len(sys.argv) > 1 else None
VERSION = sys.argv[2] if len(sys.argv) > 2 else "0.1.0"
DATE_SEP = "/"
TIME_SEP = ":"

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1
EPOCH = dt.datetime(1984, 12, 31)
EPOCH_DATETIME = 31047.0  # 1984-12-31 00:00:00 as days since 1899-12-30


def wrap32(value):
    value &= 0xFFFFFFFF
    return value - 2**32 if value >= 2**31 else value


# --- Calendar -----------------------------------------------------------------------------


def is_leap(year):
    return year % 4 == 0 and (year % 100 != 0 or year % 400 == 0)


def days_from_epoch_to_jan1(year):
    """Days from 1984-12-31 to 1 January of `year` (1 for 1985)."""
    if 1 <= year <= 9999:
        return (dt.date(year, 1, 1) - EPOCH.date()).days
    # Beyond Python's calendar: count the leap days.
    def leaps(y):
        return y // 4 - y // 100 + y // 400

    return 365 * (year - 1985) + leaps(year - 1) - leaps(1984) + 1


def linear_day(year, month, day):
    """Days from 1984-12-31 on the linear count: day 0 is the last day of the month before,
    month 0 (and, by this program's choice, any month below 0) is January, month 13 the
    January after, months above 13 fold into years."""
    if month > 13:
        k = (month - 2) // 12
        month -= 12 * k
        year += k
    month = max(month, 0)
    # Month 0 counts as January, month 13 as January of the next year.
    if month == 13:
        first = days_from_epoch_to_jan1(year + 1)
    elif month in (0, 1):
        first = days_from_epoch_to_jan1(year)
    elif 1 <= year <= 9999:
        first = (dt.date(year, month, 1) - EPOCH.date()).days
    else:
        common = [0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365]
        leap_day = 1 if month > 2 and is_leap(year) else 0
        first = days_from_epoch_to_jan1(year) + common[month] + leap_day
    return first + day - 1


def station_day(year, month, day):
    """EncodeStationDay: the linear day count cut to 16 bits; day 0 before 1985."""
    folded_year = year + (month - 2) // 12 if month > 13 else year
    if folded_year < 1985:
        return 0
    return linear_day(year, month, day) & 0xFFFF


def time_of_day(hours, minutes, seconds):
    return wrap32(hours * 3600 + minutes * 60 + seconds)


def encode_time(year, month, day, hour, minute, second):
    return wrap32(station_day(year, month, day) * 86400 + time_of_day(hour, minute, second))


def decode_time(t):
    """DecodeStationTime; a negative count gives the dates before 1984-12-31."""
    moment = EPOCH + dt.timedelta(seconds=t)
    return (moment.year, moment.month, moment.day, moment.hour, moment.minute, moment.second)


def fields_text(fields):
    def field(value, width):
        digits = str(abs(value)).rjust(width, "0")
        return "-" + digits if value < 0 else digits

    y, mo, d, h, mi, s = fields
    return "%s-%s-%s %s:%s:%s" % (field(y, 4), field(mo, 2), field(d, 2), field(h, 2),
                                  field(mi, 2), field(s, 2))


def offset_time(at, by):
    y, mo, d, h, mi, s = at
    years, months, days, hours, minutes, seconds = by
    t = mo + months
    year = y + years + (t - 1) // 12  # floor division: the month always ends in 1..12
    month = (t - 1) % 12 + 1
    base = encode_time(year, month, d + days, h, mi, s)
    return wrap32(base + time_of_day(hours, minutes, seconds))


def weekday(year, month, day):
    return dt.date(year, month, day).isoweekday()


def weekday_of_any_date(year, month, day):
    """DayOfWeek of a date that may not exist, on the linear day count (1984-12-31 a Monday)."""
    return linear_day(year, month, day) % 7 + 1


def datetime_to_station(d):
    # Python's round() of a float is exact and sends halves to the even integer.
    return wrap32(round((d - EPOCH_DATETIME) * 86400.0))


def station_to_datetime(t):
    return EPOCH_DATETIME + t / 86400.0


def real17(value):
    return "%.17g" % value


# --- Relative date expressions ------------------------------------------------------------

KEYWORDS = {
    # head: (fields to set, offsets to add as (years, months, days, hours) with "w" the weekday)
    "NEXT HOUR": ({}, (0, 0, 0, 1)),
    "LAST HOUR": ({}, (0, 0, 0, -1)),
    "LAST 2 HOURS": ({}, (0, 0, 0, -2)),
    "LAST 3 HOURS": ({}, (0, 0, 0, -3)),
    "LAST 6 HOURS": ({}, (0, 0, 0, -6)),
    "LAST 12 HOURS": ({}, (0, 0, 0, -12)),
    "TODAY": ({"h": 0}, (0, 0, 0, 0)),
    "TOMORROW": ({"h": 0}, (0, 0, 1, 0)),
    "YESTERDAY": ({"h": 0}, (0, 0, -1, 0)),
    "LAST 2 DAYS": ({"h": 0}, (0, 0, -2, 0)),
    "LAST 3 DAYS": ({"h": 0}, (0, 0, -3, 0)),
    "LAST 5 DAYS": ({"h": 0}, (0, 0, -5, 0)),
    "THIS WEEK": ({"h": 0}, (0, 0, "-w", 0)),
    "LAST WEEK": ({"h": 0}, (0, 0, "-(w+7)", 0)),
    "NEXT WEEK": ({"h": 0}, (0, 0, "7-w", 0)),
    "THIS MONTH": ({"d": 1, "h": 0}, (0, 0, 0, 0)),
    "LAST MONTH": ({"d": 1, "h": 0}, (0, -1, 0, 0)),
    "NEXT MONTH": ({"d": 1, "h": 0}, (0, 1, 0, 0)),
    "THIS YEAR": ({"mo": 1, "d": 1, "h": 0}, (0, 0, 0, 0)),
    "LAST YEAR": ({"mo": 1, "d": 1, "h": 0}, (-1, 0, 0, 0)),
    "NEXT YEAR": ({"mo": 1, "d": 1, "h": 0}, (1, 0, 0, 0)),
}


def field_value(text):
    if re.fullmatch(r"[+-]?[0-9]+", text):
        value = int(text)
        if INT32_MIN <= value <= INT32_MAX:
            return value
    return 0


def field_list(text):
    """Six fields: month, day, year (only when the text holds a "/"), hour, minute, second."""
    cursor = 0

    def next_field(delimiter):
        nonlocal cursor
        start = cursor
        while start < len(text) and text[start] == " ":
            start += 1
        end = text.find(delimiter, start)
        if end < 0:
            cursor = len(text)
            return field_value(text[start:])
        cursor = end + 1
        return field_value(text[start:end])

    date = [0, 0, 0]
    if "/" in text:
        date = [next_field(DATE_SEP), next_field(DATE_SEP), next_field(" ")]
    clock = [next_field(TIME_SEP), next_field(TIME_SEP), next_field(" ")]
    return date + clock


def ascii_upper(text):
    return "".join(chr(ord(c) - 32) if "a" <= c <= "z" else c for c in text)


def relative(expression, reference, now):
    """EvaluateRelativeDate; `now` is the StationTime that a reference of 0 stands for."""
    text = expression.lstrip(" ")
    sign_at = text.find("+")
    if sign_at < 0:
        sign_at = text.find("-")
    offsets = [0] * 6  # years, months, days, hours, minutes, seconds
    head = text
    if sign_at >= 0:
        head = text[:sign_at]
        month, day, year, hour, minute, second = field_list(text[sign_at + 1:])
        offsets = [year, month, day, hour, minute, second]
        if text[sign_at] == "-":
            offsets = [-v for v in offsets]
    if head and head[0] in "0123456789":
        month, day, year, hour, minute, second = field_list(head)
        return offset_time((year, month, day, hour, minute, second), offsets)

    key = ascii_upper(head.rstrip(" "))
    y, mo, d, h, mi, s = decode_time(reference if reference != 0 else now)
    if key != "NOW":
        mi = s = 0
        if key in KEYWORDS:
            fields, (years, months, days, hours) = KEYWORDS[key]
            w = weekday(y, mo, d)
            days = {"-w": -w, "-(w+7)": -(w + 7), "7-w": 7 - w}.get(days, days)
            mo = fields.get("mo", mo)
            d = fields.get("d", d)
            h = fields.get("h", h)
            offsets = [offsets[0] + years, offsets[1] + months, offsets[2] + days,
                       offsets[3] + hours, offsets[4], offsets[5]]
    return offset_time((y, mo, d, h, mi, s), offsets)


def station_now():
    now = dt.datetime.now().replace(microsecond=0)
    return encode_time(now.year, now.month, now.day, now.hour, now.minute, now.second)


# --- Stored passwords ---------------------------------------------------------------------

KEY, CONST1, CONST2 = 40517, 61847, 27391


def scramble(data):
    state, out = KEY, bytearray()
    for byte in data:
        c = byte ^ (state >> 8)
        out.append(c)
        state = ((state + c) * CONST1 + CONST2) & 0xFFFF
    return bytes(out)


def unscramble(data):
    state, out = KEY, bytearray()
    for byte in data:
        out.append(byte ^ (state >> 8))
        state = ((state + byte) * CONST1 + CONST2) & 0xFFFF
    return bytes(out)


def latin1(password):
    # Python strings hold code points, so a character beyond U+FFFF is one "?" as well.
    return bytes(ord(c) if ord(c) < 256 else ord("?") for c in password)


def stamp_text(t):
    y, mo, d, h, mi, s = decode_time(t)
    return "%02d%s%02d%s%04d %02d%s%02d%s%02d" % (mo, DATE_SEP, d, DATE_SEP, y, h, TIME_SEP,
                                                   mi, TIME_SEP, s)


def pack(password, stamp):
    block = (latin1(password) + b":" + stamp_text(stamp).encode("latin-1"))[:30]
    return block + bytes(30 - len(block))


def stored_form(password, stamp):
    return base64.b64encode(scramble(pack(password, stamp))).decode("ascii")


def password_of_block(clear):
    colon = clear.find(b":")
    return clear[:colon].decode("latin-1") if colon >= 0 else ""


# --- Running orvela-admin -----------------------------------------------------------------


class Result:
    def __init__(self, args):
        self.args = args
        self.before = station_now()
        completed = subprocess.run([ADMIN] + [a.encode("utf-8") for a in args],
                                   capture_output=True, env=os.environ)
        self.after = station_now()
        self.status = completed.returncode
        self.out = completed.stdout.decode("utf-8", "replace")
        self.err = completed.stderr.decode("utf-8", "replace")


def expect_line(expected):
    def check(r):
        if r.status != 0 or r.out != expected + "\n" or r.err:
            return "expected %r, exit 0" % expected
        return None

    return check


def expect_usage(r):
    if r.status != 2 or r.out or "usage: orvela-admin" not in r.err:
        return "expected a usage message on stderr and exit 2"
    # The complaint is the program's own, the rest its usage.
    for text in r.err.splitlines():
        if not (text.startswith("orvela-admin: ") or text.startswith("usage: orvela-admin ")):
            return "expected every line on stderr to start with \"orvela-admin: \" or usage"
    return None


def expect_help(r):
    """Every usage line of the command list, each followed by its description, on stdout."""
    usages = [text[len("usage: orvela-admin "):] for text in Result([]).err.splitlines()
              if text.startswith("usage: orvela-admin ")]
    lines = r.out.splitlines()
    if r.status != 0 or r.err or not usages:
        return "expected the help on stdout and exit 0"
    for usage_line in usages:
        at = lines.index("  " + usage_line) if "  " + usage_line in lines else -1
        if at < 0 or at + 1 >= len(lines) or not lines[at + 1].startswith("      ") \
                or not lines[at + 1].strip():
            return "expected %r with a description below it" % usage_line
    return None


def expect_failure(start):
    def check(r):
        if r.status != 1 or r.out or not r.err.startswith("orvela-admin: " + start):
            return "expected exit 1 and \"orvela-admin: %s...\" on stderr" % start
        return None

    return check


def expect_now(compute):
    """Checks a result that depends on the clock: it must match the clock read before or after."""
    def check(r):
        candidates = {compute(r.before), compute(r.after)}
        if r.status != 0 or r.err or r.out.rstrip("\n") not in candidates:
            return "expected one of %r, exit 0" % sorted(candidates)
        return None

    return check


CASES = []


def case(args, check):
    CASES.append(([str(a) for a in args], check))


def line(args, expected):
    if expected is not None:
        case(args, expect_line(str(expected)))


def usage(args):
    case(args, expect_usage)


# --- The cases ----------------------------------------------------------------------------

RNG = random.Random(20050302)


def random_fields(first_year=1985, last_year=2053):
    """Calendar fields of a random second from 1 January of `first_year` to the end of
    `last_year`."""
    first = dt.datetime(first_year, 1, 1)
    span = int((dt.datetime(last_year, 12, 31, 23, 59, 59) - first).total_seconds())
    moment = first + dt.timedelta(seconds=RNG.randrange(span))
    return (moment.year, moment.month, moment.day, moment.hour, moment.minute, moment.second)


def add_encode_decode_cases():
    # Listed edge cases.
    line(["time", "encode", 1985, 1, 1, 0, 0, 0], 86400)
    line(["time", "encode", 2005, 3, 1, 12, 0, 0], 636379200)
    line(["time", "encode", 1984, 12, 31, 0, 0, 0], 0)
    line(["time", "encode", 1970, 5, 5, 0, 0, 0], 0)
    line(["time", "encode", 1984, 6, 1, 12, 0, 0], 43200)
    line(["time", "encode", 1984, 12, 31, 27, 46, 40], 100000)
    line(["time", "encode", 2000, 3, 0, 0, 0, 0], encode_time(2000, 2, 29, 0, 0, 0))
    line(["time", "encode", 2000, 0, 10, 0, 0, 0], encode_time(2000, 1, 10, 0, 0, 0))
    line(["time", "encode", 1998, 26, 15, 0, 0, 0], encode_time(2000, 2, 15, 0, 0, 0))
    line(["time", "encode", 1999, 13, 5, 0, 0, 0], encode_time(2000, 1, 5, 0, 0, 0))
    line(["time", "encode", 2000, 2, 30, 0, 0, 0], encode_time(2000, 3, 1, 0, 0, 0))
    line(["time", "encode", 2053, 1, 18, 3, 14, 7], INT32_MAX)
    line(["time", "encode", 2053, 1, 18, 3, 14, 8], INT32_MIN)
    line(["time", "encode", 2005, 3, 1, -1, -1, -1], 636379200 - 86400 + 43200 - 3661)
    for t, text in [(86400, "1985-01-01 00:00:00"), (INT32_MAX, "2053-01-18 03:14:07"),
                    (0, "1984-12-31 00:00:00"), (86399, "1984-12-31 23:59:59"),
                    (636379200, "2005-03-01 12:00:00")]:
        line(["time", "decode", t], text)
    # Random dates of the whole range, and the round trip through decode.
    for _ in range(200):
        fields = random_fields()
        t = encode_time(*fields)
        assert t == wrap32(int((dt.datetime(*fields) - EPOCH).total_seconds()))
        line(["time", "encode"] + list(fields), t)
        if t >= 0:
            line(["time", "decode", t], fields_text(fields))
    for _ in range(100):
        t = RNG.randrange(0, INT32_MAX + 1)
        line(["time", "decode", t], fields_text(decode_time(t)))
    # Every day boundary around leap days and year ends.
    for year in (1988, 2000, 2004, 2005, 2024, 2052):
        for month, day in ((2, 28), (2, 29), (3, 1), (12, 31)):
            if month == 2 and day == 29 and not is_leap(year):
                continue
            t = encode_time(year, month, day, 0, 0, 0)
            line(["time", "decode", t], fields_text((year, month, day, 0, 0, 0)))
            line(["time", "decode", t - 1], fields_text(decode_time(t - 1)))
    # Before 1984-12-31: the dates before it, with a time of day from 00:00:00 to 23:59:59.
    line(["time", "decode", -1], "1984-12-30 23:59:59")
    line(["time", "decode", -86400], "1984-12-30 00:00:00")
    line(["time", "decode", INT32_MIN], "1916-12-12 20:45:52")
    for _ in range(50):
        t = RNG.randrange(INT32_MIN, 0)
        line(["time", "decode", t], fields_text(decode_time(t)))
    # A month below 0 counts as January, as month 0 does.
    for month in (-1, -12, -13, INT32_MIN):
        line(["time", "encode", 2005, month, 10, 0, 0, 0], encode_time(2005, 1, 10, 0, 0, 0))
    # Fields outside their usual ranges: the count runs on linearly, and wraps past 2053.
    for _ in range(100):
        y = RNG.choice([RNG.randrange(1900, 1985), RNG.randrange(1985, 2054),
                        RNG.randrange(2054, 2200), RNG.randrange(9990, 10010),
                        RNG.randrange(10000, 1000000)])
        mo = RNG.choice([RNG.randrange(0, 14), RNG.randrange(14, 1000)])
        d = RNG.randrange(-400, 400)
        h, mi, s = (RNG.randrange(-100, 100), RNG.randrange(-3000, 3000),
                    RNG.randrange(-100000, 100000))
        line(["time", "encode", y, mo, d, h, mi, s], encode_time(y, mo, d, h, mi, s))


def add_offset_cases():
    def offset(at, by):
        line(["time", "offset"] + list(at) + list(by), offset_time(at, by))

    jan2005 = (2005, 1, 15, 10, 0, 0)
    for months, (year, month) in ((-12, (2004, 1)), (-13, (2003, 12)), (-25, (2002, 12)),
                                  (11, (2005, 12)), (12, (2006, 1))):
        line(["time", "offset"] + list(jan2005) + [0, months, 0, 0, 0, 0],
             encode_time(year, month, 15, 10, 0, 0))
    line(["time", "offset", 2005, 1, 15, 10, 0, 0, 0, -13, 0, 0, 0, 0],
         encode_time(2003, 12, 15, 10, 0, 0))
    line(["time", "offset", 2005, 3, 1, 0, 0, 0, 0, 11, 0, 0, 0, 0],
         encode_time(2006, 2, 1, 0, 0, 0))
    line(["time", "offset", 2005, 3, 1, 0, 30, 0, 0, 0, -1, 0, 0, 0],
         encode_time(2005, 2, 28, 0, 30, 0))
    line(["time", "offset", 2005, 3, 1, 3, 10, 0, 0, 0, 0, -6, 0, 0],
         encode_time(2005, 2, 28, 21, 10, 0))
    line(["time", "offset", 2005, 1, 31, 0, 0, 0, 0, 1, 0, 0, 0, 0],
         encode_time(2005, 3, 3, 0, 0, 0))
    line(["time", "offset", 2004, 1, 31, 0, 0, 0, 0, 1, 0, 0, 0, 0],
         encode_time(2004, 3, 2, 0, 0, 0))
    line(["time", "offset", 1985, 1, 1, 0, 0, 0, -1, 0, 0, 5, 0, 0], 5 * 3600)
    # Graph windows: the end minus 6 hours ... 10 days.
    for _ in range(20):
        at = random_fields()
        for by in ((0, 0, 0, -6, 0, 0), (0, 0, 0, -12, 0, 0), (0, 0, -1, 0, 0, 0),
                   (0, 0, -3, 0, 0, 0), (0, 0, -7, 0, 0, 0), (0, 0, -10, 0, 0, 0)):
            offset(at[:5] + (0,), by)
    for _ in range(100):
        at = random_fields()
        months = RNG.choice([RNG.randrange(-40, 41), RNG.randrange(-2000, 2001)])
        by = (RNG.randrange(-5, 6), months,
              RNG.randrange(-400, 401), RNG.randrange(-100, 101), RNG.randrange(-1000, 1001),
              RNG.randrange(-100000, 100001))
        offset(at, by)
    # Offsets within the calendar, checked against Python's own month and day arithmetic.
    for _ in range(80):
        at = random_fields(1990, 2040)
        months, days = RNG.randrange(-60, 61), RNG.randrange(-100, 101)
        total = at[0] * 12 + at[1] - 1 + months
        first = dt.datetime(total // 12, total % 12 + 1, 1, at[3], at[4], at[5])
        moment = first + dt.timedelta(days=at[2] - 1 + days)
        expected = int((moment - EPOCH).total_seconds())
        assert expected == offset_time(at, (0, months, days, 0, 0, 0))
        line(["time", "offset"] + list(at) + [0, months, days, 0, 0, 0], expected)


def add_weekday_cases():
    line(["time", "weekday", 1985, 1, 1], 2)
    line(["time", "weekday", 2005, 3, 2], 3)
    line(["time", "weekday", 2005, 3, 6], 7)
    line(["time", "weekday", 2000, 2, 29], 2)
    line(["time", "weekday", 1, 1, 1], 1)
    line(["time", "weekday", 9999, 12, 31], 5)
    for _ in range(100):
        y, mo, d = random_fields()[:3]
        line(["time", "weekday", y, mo, d], weekday(y, mo, d))
    # Dates that do not exist run on the linear day count.
    for y, mo, d, expected in ((2005, 2, 30, 3), (2005, 3, 0, 1), (2005, 0, 1, 6),
                               (2005, 13, 1, 7), (2005, 14, 1, 3), (2005, -5, 1, 6),
                               (1984, 12, 31, 1), (0, 1, 1, 6), (-1, 3, 1, 1)):
        assert weekday_of_any_date(y, mo, d) == expected, (y, mo, d)
        line(["time", "weekday", y, mo, d], expected)
    for _ in range(30):
        y, mo, d = (RNG.randrange(-3000, 12000), RNG.randrange(-30, 100),
                    RNG.randrange(-400, 400))
        line(["time", "weekday", y, mo, d], weekday_of_any_date(y, mo, d))
    for _ in range(30):
        day = dt.date(1, 1, 1) + dt.timedelta(days=RNG.randrange(dt.date(9999, 12, 31).toordinal()))
        line(["time", "weekday", day.year, day.month, day.day], day.isoweekday())


def add_datetime_cases():
    line(["time", "from-datetime", "31047.0"], 0)
    line(["time", "from-datetime", "31048.0"], 86400)
    line(["time", "from-datetime", "31048"], 86400)
    # (d - 31047) * 86400 is exactly k + 0.5 for d = 31047 + j / 256 with j odd.
    for j in (1, 3, 5, 7, -1, -3, 255, 257):
        d = EPOCH_DATETIME + j / 256
        assert (d - EPOCH_DATETIME) * 86400.0 % 1 == 0.5
        line(["time", "from-datetime", repr(d)], datetime_to_station(d))
    line(["time", "from-datetime", "31047.00390625"], 338)
    line(["time", "from-datetime", "31047.01171875"], 1012)
    line(["time", "from-datetime", "31046.99609375"], -338)
    for text in ("0", "-0.0", "+31047.5", "1e5", "3.1047E4", ".5", "5.", "1e300", "-1e300",
                 "56000", "10000000", "4.9e-324", "1e-300"):
        line(["time", "from-datetime", text], datetime_to_station(float(text)))
    for _ in range(60):
        d = RNG.uniform(31047.0, 56000.0)
        line(["time", "from-datetime", repr(d)], datetime_to_station(d))
        text = "%.6f" % d
        line(["time", "from-datetime", text], datetime_to_station(float(text)))
    for t in (0, 1, -1, 43200, 86400, 636379200, INT32_MAX, INT32_MIN):
        line(["time", "to-datetime", t], real17(station_to_datetime(t)))
    for _ in range(60):
        t = RNG.randrange(INT32_MIN, INT32_MAX + 1)
        line(["time", "to-datetime", t], real17(station_to_datetime(t)))
        # A StationTime converted to a DateTime and back is the same count.
        assert datetime_to_station(float(real17(station_to_datetime(t)))) == t
        line(["time", "from-datetime", real17(station_to_datetime(t))], t)


WEDNESDAY = encode_time(2005, 3, 2, 14, 25, 36)
SUNDAY = encode_time(2005, 3, 6, 9, 0, 0)


def add_relative_cases():
    def rel(expression, reference, expected=None):
        if expected is None:
            expected = relative(expression, reference, None)
        line(["time", "relative", expression, reference], expected)

    def at(*fields):
        return encode_time(*fields)

    # Listed edge cases.
    listed = [
        ("NOW", at(2005, 3, 2, 14, 25, 36)), ("NOW-2:00", at(2005, 3, 2, 12, 25, 36)),
        ("NOW-5", at(2005, 3, 2, 9, 25, 36)), ("NEXT HOUR", at(2005, 3, 2, 15, 0, 0)),
        ("LAST 6 HOURS", at(2005, 3, 2, 8, 0, 0)), ("LAST 12 HOURS", at(2005, 3, 2, 2, 0, 0)),
        ("TODAY", at(2005, 3, 2, 0, 0, 0)), ("YESTERDAY", at(2005, 3, 1, 0, 0, 0)),
        (" today ", at(2005, 3, 2, 0, 0, 0)), ("THIS WEEK", at(2005, 2, 27, 0, 0, 0)),
        ("LAST WEEK", at(2005, 2, 20, 0, 0, 0)), ("NEXT WEEK", at(2005, 3, 6, 0, 0, 0)),
        ("THIS MONTH", at(2005, 3, 1, 0, 0, 0)), ("LAST MONTH", at(2005, 2, 1, 0, 0, 0)),
        ("NEXT YEAR", at(2006, 1, 1, 0, 0, 0)), ("LAST YEAR", at(2004, 1, 1, 0, 0, 0)),
        ("TODAY+0/1/0", at(2005, 3, 3, 0, 0, 0)), ("TODAY+1/0/0", at(2005, 4, 2, 0, 0, 0)),
        ("TODAY-1/0/0", at(2005, 2, 2, 0, 0, 0)), ("NOW+1/0/0 2:00:00", at(2005, 4, 2, 16, 25, 36)),
        ("03/15/2005 08:30:00", at(2005, 3, 15, 8, 30, 0)),
        ("03/15/2005", at(2005, 3, 15, 0, 0, 0)),
        ("08:30", 30600), ("SOMETIME", at(2005, 3, 2, 14, 0, 0)),
    ]
    for expression, expected in listed:
        assert relative(expression, WEDNESDAY, None) == expected, expression
        rel(expression, WEDNESDAY, expected)
    rel("03/15/2005 08:30:00", SUNDAY, at(2005, 3, 15, 8, 30, 0))
    rel("THIS WEEK", SUNDAY, at(2005, 2, 27, 0, 0, 0))
    rel("NEXT WEEK", SUNDAY, at(2005, 3, 6, 0, 0, 0))

    # Every keyword, with and without offsets, against awkward references.
    references = [
        WEDNESDAY, SUNDAY, at(2005, 3, 5, 23, 59, 59), at(2005, 3, 7, 0, 0, 0),
        at(2005, 1, 31, 23, 59, 59), at(2005, 2, 28, 12, 0, 0), at(2004, 2, 29, 6, 30, 0),
        at(2000, 2, 29, 0, 0, 1), at(2004, 12, 31, 23, 30, 0), at(1999, 12, 31, 23, 59, 59),
        at(2000, 1, 1, 0, 0, 0), at(1985, 1, 1, 0, 0, 0), at(1985, 1, 6, 12, 0, 0),
        at(2052, 12, 31, 12, 0, 0), at(2053, 1, 18, 3, 14, 7), 1,
    ]
    offsets = ["", "+1", "-1", "+0/1/0", "-0/1/0", "+1/0/0", "-1/0/0", "+0/0/1", "-13/0/0",
               "+25/0/0", "+1/0/0 2:00:00", "-0:30", "- 2:15:10", "+0/40/0", "+0:0:86400",
               "-0/0/0 48:00:00", "+-1", "+ 1 / 2 / 3 4:5:6", "+1:2:3 junk", "-x", "+12/31/-1"]
    for head in ["NOW"] + list(KEYWORDS) + ["SOMETIME", ""]:
        for offset in offsets:
            rel(head + offset, WEDNESDAY)
        for reference in references[1:]:
            rel(head + RNG.choice(offsets), reference)
    # Spelling: case, surrounding spaces, words that are not quite a keyword.
    for expression in ["today", "Next Week", "  last   week", "last week  ", "LAST WEEK ",
                       "this  week", "THISWEEK", "now ", " NOW-1", "NOW - 1", "Tomorrow+0/0/1",
                       "next month-0/0/1", "this year+11/30/0", "LAST 4 HOURS", "-1", "+2:00",
                       "NOW-1+2", "TODAY+1-2", "", "   ", "next\u00a0hour"]:
        for reference in references[:6]:
            rel(expression, reference)
    # Date-time heads.
    for expression in ["03/15/2005 08:30:00", "3/15/2005 8:30:0", "03/15/2005", "08:30",
                       "08:30:15", "8", "24", "12/31/1984 23:59:59", "01/01/1985",
                       "2/29/2000 1:2:3", "2/30/2001", "13/1/2004", "0/0/0", "1/1/1985 24:00:00",
                       "08:30 ", "03/15/2005 08:30:00 ", "03/15/2005 08:30:00-1:00",
                       "03/15/2005+0/0/1", "03/15/2005 08:30:00+1/0/0 2:00:00", "3/15/05",
                       "03/15/2005 8:x:0", "1/18/2053 3:14:7", "1/18/2053 3:14:8",
                       "12/31/2060", "5/5/1970 10:00:00", "9/9/9999", "1/1/1985 -1:00:00"]:
        rel(expression, WEDNESDAY)
    # Random expressions.
    heads = ["NOW"] + list(KEYWORDS)
    for _ in range(200):
        reference = encode_time(*random_fields(1985, 2052))
        if RNG.random() < 0.6:
            head = RNG.choice(heads)
            head = RNG.choice([head, head.lower(), head.title(), " " + head + "  "])
        else:
            fields = random_fields()
            head = RNG.choice(["%d/%d/%d %d:%d:%d" % (fields[1], fields[2], fields[0], *fields[3:]),
                               "%02d/%02d/%04d" % (fields[1], fields[2], fields[0]),
                               "%d:%02d" % fields[3:5], "%d" % RNG.randrange(0, 1000)])
        sign = RNG.choice(["", "+", "-"])
        offset = ""
        if sign:
            parts = [RNG.randrange(0, 30), RNG.randrange(0, 400), RNG.randrange(0, 5)]
            clock = [RNG.randrange(0, 100), RNG.randrange(0, 100), RNG.randrange(0, 100)]
            offset = RNG.choice(["%d/%d/%d" % tuple(parts), "%d:%d:%d" % tuple(clock),
                                 "%d/%d/%d %d:%d:%d" % tuple(parts + clock), "%d" % clock[0],
                                 "%d:%d" % tuple(clock[:2])])
        rel(head + sign + offset, reference)
    # A reference of 0, or none, stands for the clock.
    for expression in ("NOW", "TODAY", "LAST 6 HOURS", "THIS WEEK-0/7/0", "NOW+1:00"):
        case(["time", "relative", expression, 0],
             expect_now(lambda now, e=expression: str(relative(e, 0, now))))
        case(["time", "relative", expression],
             expect_now(lambda now, e=expression: str(relative(e, 0, now))))


PASSWORDS = ["", "a", "secret", "0123456789", "0123456789a", "p" * 28, "p" * 29, "p" * 30,
             "p" * 40, "ab:cd", ":", "::", ":x", "x:" * 10, "\u00e9t\u00e9", "caf\u00e9:cr\u00e8me",
             "\u00c0\u00ff\u00a0\u00b5", "\u20ac uro", "\U0001F600 smile", "\u0100\u0101",
             "with space", "quote\"and'", "\\back\\slash", "\u00e9" * 30, "=+/"]


def add_password_cases():
    alphabet = [chr(c) for c in range(0x20, 0x7F)] + [chr(c) for c in range(0xA0, 0x100)]
    passwords = list(PASSWORDS)
    for length in range(0, 41):
        passwords.append("".join(RNG.choice(alphabet) for _ in range(length)))
    for _ in range(40):
        passwords.append("".join(RNG.choice(alphabet + [":", ":", "\u20ac", "\U0001F600"])
                                 for _ in range(RNG.randrange(0, 41))))

    for password in passwords:
        expected_block_start = latin1(password) + b":"

        # A password the block cannot give back as typed is still encoded, with one warning.
        back = password_of_block((latin1(password) + b":")[:30])
        warning = "" if back == password else (
            "orvela-admin: warning: this password cannot be stored as typed; it will read back "
            "as \"%s\"\n" % back)

        def check_encode(r, password=password, start=expected_block_start, warning=warning):
            stored = r.out.rstrip("\n")
            if r.status != 0 or not re.fullmatch(r"[A-Za-z0-9+/]{40}", stored):
                return "expected 40 base64 characters, exit 0"
            if r.err != warning:
                return "expected the warning %r on stderr" % warning
            clear = unscramble(base64.b64decode(stored, validate=True))
            possible = {pack(password, t) for t in range(r.before - 1, r.after + 2)}
            if clear not in possible:
                return "block %r is not the password, a colon and a stamp of now" % clear
            if len(start) <= 11:
                stamp = clear[len(start):len(start) + 19].decode("latin-1")
                if not re.fullmatch(r"\d\d/\d\d/\d{4} \d\d:\d\d:\d\d", stamp):
                    return "stamp %r is not a 19-character date and time" % stamp
                dt.datetime.strptime(stamp, "%m/%d/%Y %H:%M:%S")
                if any(clear[len(start) + 19:]):
                    return "fill bytes are not zero"
            return None

        case(["password", "encode", password], check_encode)
        # Python's stored forms read back by orvela-admin.
        for stamp in (636379200, RNG.randrange(0, INT32_MAX)):
            line(["password", "decode", stored_form(password, stamp)],
                 password_of_block(pack(password, stamp)))

    # A stored form that orvela-admin made reads back through orvela-admin itself.
    for password in PASSWORDS + passwords[-20:]:
        encoded = subprocess.run([ADMIN, "password", "encode", password.encode("utf-8")],
                                 capture_output=True, check=True).stdout.decode("utf-8").strip()
        # Without the stamp, which is all that depends on the clock.
        line(["password", "decode", encoded], password_of_block((latin1(password) + b":")[:30]))

    # Values that are not a stored form read back as no password.
    good = stored_form("pw", 636379200)
    bad = ["", "not base64!", "pw", good[:39], good + "A", good[:36] + "====", good + "\n",
           " " + good, good[:39] + "\u00e9", base64.b64encode(b"x" * 29).decode(),
           base64.b64encode(b"x" * 31).decode(), base64.b64encode(b"x" * 33).decode(),
           good.replace("+", "-").replace("/", "_") if ("+" in good or "/" in good) else "-" * 40,
           good[:20] + "=" + good[21:]]
    for value in bad:
        line(["password", "decode", value], "")
    # Any 30 bytes are a block: 40 "A" are 30 zero bytes.
    line(["password", "decode", "A" * 40], password_of_block(unscramble(bytes(30))))
    for _ in range(30):
        block = bytes(RNG.randrange(256) for _ in range(30))
        line(["password", "decode", base64.b64encode(block).decode()],
             password_of_block(unscramble(block)))


def add_usage_cases():
    for args in (["--help"], ["-h"], ["help"]):
        case(args, expect_help)
    line(["--version"], "orvela-admin " + VERSION)
    case(["restore", "/nonexistent/Orvela.ovf"],
         expect_failure("restore: no program has /nonexistent/Orvela.ovf open"))
    for args in ([], ["--help", "time"], ["help", "x"], ["--version", "x"], ["nonsense"], ["time"], ["password"], ["time", "bogus"],
                 ["password", "bogus", "x"], ["password", "encode"], ["password", "decode"],
                 ["password", "encode", "a", "b"], ["password", "decode", "a", "b"],
                 ["time", "encode", 1, 2, 3, 4, 5], ["time", "encode", 1, 2, 3, 4, 5, 6, 7],
                 ["time", "decode"], ["time", "decode", 1, 2], ["time", "offset"] + [0] * 11,
                 ["time", "offset"] + [0] * 13, ["time", "relative"],
                 ["time", "relative", "NOW", 1, 2], ["time", "weekday", 2005, 3],
                 ["time", "weekday", 2005, 3, 2, 1], ["time", "from-datetime"],
                 ["time", "to-datetime"], ["time", "to-datetime", 1, 2], ["TIME", "decode", 1],
                 ["time", "DECODE", 1]):
        usage(args)
    for word in ("", " 1", "1 ", "1x", "x", "0x10", "1.0", "1e3", "+", "-", "--1", "+-1",
                 "2147483648", "-2147483649", "99999999999999999999", "\u0661", "\uff11"):
        usage(["time", "decode", word])
        usage(["time", "encode", 2005, 3, 1, 12, 0, word])
        usage(["time", "relative", "NOW", word])
    for word in ("", "abc", "inf", "-inf", "nan", "NaN", "infinity", "1e", "1e+", ".", "+.",
                 "1,5", "1.2.3", "0x1p3", " 1", "1 ", "1e400", "--1", "\u0661"):
        usage(["time", "from-datetime", word])
    # Numbers at the limits and with signs are numbers.
    line(["time", "decode", "+86400"], "1985-01-01 00:00:00")
    line(["time", "decode", "0086400"], "1985-01-01 00:00:00")
    line(["time", "decode", "-0"], "1984-12-31 00:00:00")
    line(["time", "to-datetime", "2147483647"], real17(station_to_datetime(INT32_MAX)))
    line(["time", "to-datetime", "-2147483648"], real17(station_to_datetime(INT32_MIN)))


def run_case(entry):
    args, check = entry
    result = Result(args)
    return args, result, check(result)


def main():
    if not ADMIN:
        print(__doc__, file=sys.stderr)
        return 2
    started = time.monotonic()
    add_encode_decode_cases()
    add_offset_cases()
    add_weekday_cases()
    add_datetime_cases()
    add_relative_cases()
    add_password_cases()
    add_usage_cases()

    # Two stored forms of one password a second apart differ and both read back.
    first = Result(["password", "encode", "same"])
    while station_now() == first.after:
        time.sleep(0.05)
    second = Result(["password", "encode", "same"])
    failures = []
    if first.out == second.out:
        failures.append("two stored forms a second apart are equal: %r" % first.out)
    for stored in (first.out.strip(), second.out.strip()):
        line(["password", "decode", stored], "same")

    with ThreadPoolExecutor(max_workers=max(2, (os.cpu_count() or 1) * 2)) as pool:
        results = list(pool.map(run_case, CASES))
    passed = 0
    for args, result, problem in results:
        if problem is None:
            passed += 1
            continue
        failures.append("orvela-admin %s\n    %s\n    got exit %d, stdout %r, stderr %r"
                        % (" ".join(repr(a) for a in args), problem, result.status,
                           result.out, result.err))
    for failure in failures:
        print("MISMATCH " + failure)
    print("%d passed, %d failed (%.1f s)" % (passed, len(failures), time.monotonic() - started))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
