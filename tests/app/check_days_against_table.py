#!/usr/bin/env python3
"""Checks `tessel-calendar days 1901-01-01 2100-12-31 --tsv` against the official lunar table:
every day's label and its lunar date line (the lunar year's name, month and day)."""

import datetime
import os
import subprocess
import sys

MONTHS = "正月 二月 三月 四月 五月 六月 七月 八月 九月 十月 冬月 腊月".split()
DIGITS = "一 二 三 四 五 六 七 八 九".split()
STEMS = "甲乙丙丁戊己庚辛壬癸"
BRANCHES = "子丑寅卯辰巳午未申酉戌亥"
ANIMALS = "鼠牛虎兔龙蛇马羊猴鸡狗猪"


def year_name(year):
    return STEMS[(year - 4) % 10] + BRANCHES[(year - 4) % 12] + ANIMALS[(year - 4) % 12] + "年"


def day_text(day):
    if day <= 10:
        return "初" + (DIGITS[day - 1] if day < 10 else "十")
    if day < 20:
        return "十" + DIGITS[day - 11]
    if day == 20:
        return "二十"
    if day < 30:
        return "廿" + DIGITS[day - 21]
    return "三十"


def expected_days(table_path):
    expected = {}
    with open(table_path, encoding="utf-8") as table:
        for line in table:
            if line.startswith(("#", "lunar_year")) or not line.strip():
                continue
            year, month, leap, first_day, days = line.rstrip("\n").split("\t")
            month_name = ("闰" if leap == "1" else "") + MONTHS[int(month) - 1]
            start = datetime.date.fromisoformat(first_day)
            for offset in range(int(days)):
                label = month_name if offset == 0 else day_text(offset + 1)
                lunar_line = year_name(int(year)) + " " + month_name + day_text(offset + 1)
                expected[start + datetime.timedelta(offset)] = (label, lunar_line)
    return expected


def main():
    program, table_path = sys.argv[1], sys.argv[2]
    expected = expected_days(table_path)
    env = dict(os.environ, TZ="Asia/Shanghai")
    output = subprocess.run([program, "days", "1901-01-01", "2100-12-31", "--tsv"], env=env,
                            check=True, capture_output=True, text=True).stdout
    lines = output.splitlines()
    failures = 0
    for line in lines:
        date, label, lunar_line, _holiday = line.split("\t")
        want_label, want_line = expected[datetime.date.fromisoformat(date)]
        if label != want_label or lunar_line != want_line:
            failures += 1
            if failures <= 10:
                print(f"{date}: got {label} / {lunar_line}, want {want_label} / {want_line}")
    days = (datetime.date(2100, 12, 31) - datetime.date(1901, 1, 1)).days + 1
    if len(lines) != days:
        print(f"{len(lines)} lines for {days} days")
        failures += 1
    print(f"{len(lines) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
