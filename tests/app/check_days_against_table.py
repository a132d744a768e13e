#!/usr/bin/env python3
"""Checks `tessel-calendar days 1901-01-01 2100-12-31 --tsv` against the official lunar table
(every day's label and its lunar date line: the lunar year's name, month and day), against the
arrangements file (every day it lists reads 休 or 班, every other day nothing) and for the 24
solar terms of each year in their order."""

import datetime
import os
import subprocess
import sys

TERMS = ("小寒 大寒 立春 雨水 惊蛰 春分 清明 谷雨 立夏 小满 芒种 夏至 "
         "小暑 大暑 立秋 处暑 白露 秋分 寒露 霜降 立冬 小雪 大雪 冬至").split()
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


def expected_arrangements(path):
    arrangements = {}
    with open(path, encoding="utf-8") as table:
        for line in table:
            if line.startswith("#") or line.startswith("date\t") or not line.strip():
                continue
            date, _name, off = line.rstrip("\n").split("\t")
            arrangements[datetime.date.fromisoformat(date)] = "休" if off == "1" else "班"
    return arrangements


def main():
    program, table_path, arrangements_path = sys.argv[1], sys.argv[2], sys.argv[3]
    expected = expected_days(table_path)
    arrangements = expected_arrangements(arrangements_path)
    terms = {}
    env = dict(os.environ, TZ="Asia/Shanghai")
    output = subprocess.run([program, "days", "1901-01-01", "2100-12-31", "--tsv"], env=env,
                            check=True, capture_output=True, text=True).stdout
    lines = output.splitlines()
    failures = 0
    for line in lines:
        date, label, lunar_line, _holiday, term, arrangement = line.split("\t")
        day = datetime.date.fromisoformat(date)
        want_label, want_line = expected[day]
        want_arrangement = arrangements.get(day, "")
        if term:
            terms.setdefault(day.year, []).append(term)
        if label != want_label or lunar_line != want_line or arrangement != want_arrangement:
            failures += 1
            if failures <= 10:
                print(f"{date}: got {label} / {lunar_line} / {arrangement}, "
                      f"want {want_label} / {want_line} / {want_arrangement}")
    for year in range(1901, 2101):
        if terms.get(year) != TERMS:
            print(f"{year}: solar terms {terms.get(year)}")
            failures += 1
    days = (datetime.date(2100, 12, 31) - datetime.date(1901, 1, 1)).days + 1
    if len(lines) != days:
        print(f"{len(lines)} lines for {days} days")
        failures += 1
    print(f"{len(lines) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
