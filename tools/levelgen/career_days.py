#!/usr/bin/env python3
"""Writes the career days of the second and third cafés that are not written by hand
(content/cfg/lNNN.xml for days 17 to 35 and 37 to 58) from the table DAYS below.

The files it writes are ordinary level files: they are committed, the game reads them like any
other, and a level designer may edit one by hand afterwards (running this again overwrites it).
Each day's visitors are drawn from its own mix (who comes, what they order, how many families,
which guests are very important, how close together they arrive) with a random generator seeded
by the day's number, so the output is the same on every run.

    tools/levelgen/career_days.py            # writes the files into content/cfg/
    tools/levelgen/career_days.py --out DIR  # writes them into DIR instead
    tools/levelgen/career_days.py --texts    # prints the days' briefing texts as loc.xml lines
    tools/levelgen/career_days.py --table    # prints each day's goals and visitors (docs/career.md)
"""
import os
import random
import sys

CFG = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "content", "cfg")

# What a visitor of each skin pays served at green patience (cfg.xml), before the day's overrides.
GREEN_MONEY = {"girl": 30, "boy": 30, "granny": 30}

# The three cafés: object document, counter places, tables, worker places.
CAFES = {
    2: {"doc": r"cfg\cafe2.xml", "places": 2, "tables": 1, "workers": 2},
    3: {"doc": r"cfg\cafe3.xml", "places": 3, "tables": 2, "workers": 3},
}

EVERYONE = {"girl": 1, "boy": 1, "granny": 1}
# Overrides that more than one day uses: boys less patient than ever who pay more when served at
# once, and grannies in no hurry.
IMPATIENT_BOYS = [{"name": "boy", "client_patience_speed": "3.5", "client_money01_g": "35"}]
UNHURRIED_GRANNIES = [{"name": "granny", "client_patience_speed": "1.1"}]


def day(number, **kw):
    d = {
        "number": number,
        "cafe": 2 if number <= 35 else 3,
        # Worker skins by worker place (None: the place stays empty and its table off the floor).
        "workers": ["baker", "cook"] if number <= 35 else ["baker", "cook", "grocer"],
        "clients": 10, "families": 2, "vips": [],
        "persons": EVERYONE, "family_persons": EVERYONE,
        "menu": {"0100": 1, "0200": 1, "0300": 1}, "family_menu": None,
        "family_sizes": [2, 2, 3], "family_orders": [2],
        "start": 3, "gap": (5, 8),
        "goal": 0.48, "expert": 0.76,
        "tasks": {}, "tokens": {"bonus_coin": 2, "bonus_happy": 1, "bonus_clean": 1}, "token_speed": 120,
        "upgrade": None, "boss_speed": None, "override_workers": [], "override_clients": [],
        "rug": True,
    }
    d.update(kw)
    if d["family_menu"] is None:
        d["family_menu"] = d["menu"]
    return d


DAYS = [
    # The harbour café (levels 16 to 35; 16 is written by hand).
    day(17, workers=["baker", None], clients=11, families=0, gap=(4, 7),
        persons={"boy": 2, "girl": 1, "granny": 1},
        menu={"0100": 3, "0200": 3, "0300": 2, "0400": 2},
        tokens={"bonus_coin": 3, "bonus_happy": 1}, tasks={"coin": 1},
        comment="the cook has a day off: drinks from the dispensers and the baker's cakes for eleven\n"
                "visitors at the counter, and no families. A coin-bonus task.",
        brief="The cook has a day off: drinks and cakes for the counter, and nobody at the table."),
    day(18, workers=[None, "cook"], clients=9, families=1, gap=(5, 8),
        persons={"boy": 2, "girl": 1, "granny": 1},
        menu={"0100": 2, "0200": 2, "0300": 1, "0500": 3}, family_menu={"0500": 2, "0200": 1},
        comment="the baker has a day off and the cook's pizzas are the order of the day: nine\n"
                "visitors at the counter and one family at the table, who eat pizza and order again.",
        brief="Pizza day at the harbour: the baker is away, so start the cook's oven early."),
    day(19, clients=7, families=4, gap=(6, 9), family_sizes=[2, 3, 3, 4], family_orders=[2, 2, 3],
        menu={"0100": 1, "0200": 1, "0300": 2, "0400": 1, "0500": 1},
        family_menu={"0100": 1, "0200": 1, "0300": 1, "0400": 2, "0500": 2},
        tokens={"bonus_coin": 1, "bonus_happy": 3, "bonus_clean": 1}, tasks={"happy": 1},
        comment="a families' day: four groups take turns at the one table, each ordering two or three\n"
                "times, and seven visitors at the counter between them. A happy-bonus task.",
        brief="Families come to see the boats: the table never stays empty for long."),
    day(20, clients=11, families=1, gap=(5, 8), upgrade="func",
        menu={"0104": 2, "0204": 2, "0105": 1, "0305": 2, "0200": 1, "0300": 1},
        comment="pairs at the harbour: most visitors want a drink or candy joined with a cake or a\n"
                "pizza. A functional upgrade for the player who reaches the goal.",
        brief="Pairs today: take the drink or candy first, and the cake or pizza joins it in the same hand."),
    day(21, clients=13, families=1, gap=(4, 7), persons={"boy": 4, "girl": 1},
        menu={"0100": 2, "0200": 3, "0400": 1, "0500": 2, "0205": 1},
        override_clients=IMPATIENT_BOYS,
        tokens={"bonus_coin": 2, "bonus_speed": 2}, tasks={"speed": 1},
        comment="the sailors are in port: boys, less patient than ever and paying more when served at\n"
                "once, crowd the counter. A speed-bonus task.",
        brief="The sailors are in port: hungry, impatient, and generous when served at once."),
    day(22, clients=11, families=2, gap=(5, 8), vips=[5],
        menu={"0100": 1, "0200": 1, "0300": 2, "0400": 2, "0500": 1, "0305": 1},
        tokens={"bonus_coin": 2, "bonus_happy": 2, "bonus_ice": 1}, tasks={"happy": 1},
        comment="the harbour master's mother, a very important granny, comes for coffee in the middle\n"
                "of an ordinary day: if she leaves unhappy the day is lost. A happy-bonus task.",
        brief="The harbour master's mother is coming. Keep her happy, whatever else happens."),
    day(23, clients=12, families=1, gap=(5, 7),
        menu={"0400": 3, "0500": 3, "0100": 1, "0200": 1},
        override_workers=[{"name": "baker", "tidiness_down": "9"}, {"name": "cook", "tidiness_down": "10"}],
        tokens={"bonus_coin": 1, "bonus_clean": 3}, tasks={"clean": 2},
        comment="a windy day blows sand into the kitchen: the baker and the cook get dirty quickly, so\n"
                "the brush is needed often. Two cleaning-bonus tasks.",
        brief="Sand blows in from the beach: keep the brush handy, the workplaces get dirty fast."),
    day(24, clients=10, families=3, gap=(6, 8), upgrade="vis",
        persons={"granny": 3, "girl": 1}, family_persons={"granny": 2, "girl": 1},
        menu={"0300": 3, "0304": 2, "0400": 1, "0100": 1}, family_menu={"0300": 2, "0400": 2, "0200": 1},
        override_clients=UNHURRIED_GRANNIES,
        comment="the grannies' coffee club: coffee and cake, a coffee joined with a cake, three families;\n"
                "the grannies have time today. A visual upgrade for the player who reaches the goal.",
        brief="The grannies' coffee club meets today: coffee, cake and plenty of time to chat."),
    day(25, clients=14, families=1, gap=(4, 6),
        menu={"0100": 2, "0200": 2, "0300": 2, "0500": 1},
        tokens={"bonus_coin": 2, "bonus_ice": 3, "bonus_happy": 1}, tasks={"ice": 1},
        comment="fog over the harbour: a long line of visitors who want something warm or sweet from\n"
                "the dispensers, close together. An ice-bonus task.",
        brief="Fog over the harbour: a long line at the counter wants something warm, and quickly."),
    day(26, workers=["baker", "grocer"], clients=12, families=2, gap=(5, 8),
        menu={"0600": 3, "0106": 1, "0206": 1, "0400": 2, "0300": 1},
        family_menu={"0600": 2, "0400": 1, "0200": 1},
        tokens={"bonus_coin": 2, "bonus_happy": 1, "bonus_clean": 2}, tasks={"coin": 1, "clean": 1},
        comment="the grocer from the corner café stands in for the cook: salads alone and joined with a\n"
                "drink, cakes from the baker. Tasks of a coin and a cleaning bonus.",
        brief="The grocer from the corner café stands in for the cook: salads are back on the menu."),
    day(27, clients=15, families=1, gap=(3, 5),
        menu={"0100": 3, "0200": 3, "0300": 2, "0400": 1},
        tokens={"bonus_coin": 4, "bonus_speed": 1}, token_speed=180, tasks={"coin": 2},
        comment="the ferry comes in: fifteen visitors arrive close together and want quick things from\n"
                "the dispensers; coin tokens come fast. Two coin-bonus tasks.",
        brief="The ferry is in! Fifteen passengers in a hurry: quick drinks, quick coins."),
    day(28, clients=11, families=2, gap=(5, 8), upgrade="func",
        menu={"0500": 4, "0205": 2, "0305": 1, "0100": 1},
        override_workers=[{"name": "cook", "work_time": "6"}],
        comment="the pizza festival: the cook works faster today and nearly everyone wants pizza,\n"
                "alone or with a drink. A functional upgrade for the player who reaches the goal.",
        brief="The pizza festival: the cook is in top form, and everyone wants a slice."),
    day(29, clients=10, families=3, gap=(5, 8), vips=[3, 8],
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 2, "0500": 2, "0104": 1},
        tokens={"bonus_coin": 1, "bonus_happy": 2, "bonus_ice": 2}, tasks={"happy": 1, "ice": 1},
        comment="two very important guests, the captain and the mayor's wife, among ten visitors at the\n"
                "counter and three families. Tasks of a happy and an ice bonus.",
        brief="Two very important guests today, the captain and the mayor's wife: neither may leave unhappy."),
    day(30, clients=10, families=2, gap=(6, 10), boss_speed="200",
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1},
        override_clients=[{"name": "girl", "client_patience_speed": "1.5"},
                          {"name": "boy", "client_patience_speed": "1.8"}],
        comment="a rainy day: the floor is wet and the heroine walks more slowly, but the visitors come\n"
                "further apart and are in less of a hurry.",
        brief="Rain at the harbour: the floor is wet, so walk carefully; the guests are patient today."),
    day(31, clients=6, families=5, gap=(6, 9), family_sizes=[3, 4, 4], family_orders=[3],
        menu={"0100": 1, "0200": 1, "0300": 1},
        family_menu={"0100": 1, "0200": 1, "0300": 1, "0400": 2, "0500": 2, "0104": 1},
        tokens={"bonus_coin": 1, "bonus_happy": 3, "bonus_clean": 1}, tasks={"happy": 2},
        comment="the fishermen's families: five large groups of three and four, each ordering three times,\n"
                "and a few visitors at the counter. Two happy-bonus tasks.",
        brief="The fishermen bring their families: big groups that order three times each."),
    day(32, clients=12, families=2, gap=(5, 7), upgrade="vis",
        menu={"0105": 2, "0205": 2, "0305": 1, "0104": 1, "0500": 1, "0400": 1},
        tokens={"bonus_coin": 2, "bonus_speed": 2, "bonus_happy": 1}, tasks={"speed": 1},
        comment="pairs with pizza: candy, cola or coffee joined with a pizza for most of the counter, two\n"
                "families. A visual upgrade for the player who reaches the goal; a speed-bonus task.",
        brief="Pizza with everything: most guests want a drink or candy joined with a pizza."),
    day(33, clients=13, families=2, gap=(4, 7), persons={"girl": 4, "granny": 1},
        menu={"0100": 2, "0200": 1, "0300": 1, "0400": 2, "0104": 2, "0500": 1},
        override_clients=[{"name": "girl", "client_patience_speed": "3", "client_money01_g": "40"}],
        tokens={"bonus_coin": 2, "bonus_happy": 2, "bonus_clean": 1}, tasks={"coin": 1, "happy": 1},
        comment="the girls' day out: girls, less patient today and paying more when served at once, fill\n"
                "the counter. Tasks of a coin and a happy bonus.",
        brief="A girls' day out: they do not like to wait, but they pay well when served at once."),
    day(34, clients=14, families=3, gap=(4, 7),
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0104": 1, "0205": 1, "0305": 1},
        tokens={"bonus_coin": 2, "bonus_happy": 2, "bonus_clean": 2, "bonus_speed": 1}, tasks={"coin": 1, "clean": 1, "speed": 1},
        comment="the eve of the regatta: every product and pair for fourteen visitors at the counter and\n"
                "three families. Tasks of a coin, a cleaning and a speed bonus.",
        brief="The eve of the regatta: the whole town is here, and they want everything."),
    day(35, clients=16, families=4, gap=(4, 6), vips=[7], family_orders=[2, 3],
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0104": 1, "0205": 1, "0305": 1, "0204": 1},
        tokens={"bonus_coin": 3, "bonus_happy": 2, "bonus_clean": 2, "bonus_speed": 1, "bonus_ice": 1}, token_speed=130,
        tasks={"coin": 1, "happy": 1, "clean": 1, "speed": 1, "ice": 1},
        comment="the harbour café's last day, the regatta: everything at once. Sixteen visitors at the\n"
                "counter (the very important regatta judge among them), four families, every product and\n"
                "pair, and a task for each bonus.",
        brief="Regatta day, the harbour café's last: everything at once, and the very important judge."),
    # The garden café (levels 36 to 59; 36 and 59 are written by hand).
    day(37, workers=[None, None, "grocer"], clients=11, families=1, gap=(5, 8),
        menu={"0600": 3, "0100": 1, "0200": 2, "0300": 1, "0206": 1}, family_menu={"0600": 2, "0300": 1},
        comment="the grocer's garden: only the grocer works today, salads alone and with cola, drinks\n"
                "from the dispensers, and one family.",
        brief="Fresh from the garden: only the grocer works today, and salads are the order of the day."),
    day(38, workers=["baker", None, "grocer"], clients=11, families=2, gap=(5, 8),
        menu={"0400": 2, "0600": 2, "0406": 1, "0100": 1, "0300": 1},
        tokens={"bonus_coin": 2, "bonus_clean": 2}, tasks={"clean": 1},
        comment="the baker joins the grocer: cakes and salads, a cake joined with a salad, two families.\n"
                "A cleaning-bonus task.",
        brief="The baker joins the grocer: cakes and salads, and sometimes both together."),
    day(39, workers=["baker", None, "grocer"], clients=9, families=4, gap=(6, 8), upgrade="vis",
        family_sizes=[2, 3, 4], family_orders=[2, 3],
        menu={"0100": 1, "0200": 1, "0300": 1, "0600": 1},
        family_menu={"0400": 2, "0600": 2, "0200": 1, "0300": 1},
        tokens={"bonus_coin": 1, "bonus_happy": 3}, tasks={"happy": 1},
        comment="both tables busy: four families of two to four, ordering two or three times, and nine\n"
                "visitors at the counter. A visual upgrade for the player who reaches the goal.",
        brief="Both tables full all day: families love the garden."),
    day(40, clients=13, families=2, gap=(5, 7),
        menu={"0500": 3, "0400": 1, "0600": 1, "0200": 1, "0100": 1},
        tokens={"bonus_coin": 2, "bonus_happy": 1, "bonus_clean": 1}, tasks={"coin": 1},
        comment="the cook arrives: all three workers for the first time since the opening, pizzas most\n"
                "of all. A coin-bonus task.",
        brief="The cook is back from the harbour: pizzas, cakes and salads, all three ovens busy."),
    day(41, clients=13, families=2, gap=(5, 7), upgrade="func",
        menu={"0106": 1, "0206": 1, "0306": 1, "0104": 1, "0205": 1, "0100": 1, "0500": 1},
        comment="pairs in the garden: salads joined with candy, cola or coffee, and a few other pairs.\n"
                "A functional upgrade for the player who reaches the goal.",
        brief="Pairs in the garden: take the drink or candy first, and the salad joins it in the same hand."),
    day(42, clients=12, families=2, gap=(5, 8), vips=[6],
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0600": 1},
        tokens={"bonus_coin": 1, "bonus_happy": 2, "bonus_ice": 2}, tasks={"ice": 1},
        comment="the head gardener, a very important granny, comes for lunch in the middle of an\n"
                "ordinary day. An ice-bonus task.",
        brief="The head gardener is coming for lunch: she is very important, do not keep her waiting."),
    day(43, clients=15, families=1, gap=(4, 6), persons={"boy": 4, "girl": 1},
        menu={"0200": 3, "0100": 2, "0500": 2, "0600": 1, "0205": 1},
        override_clients=IMPATIENT_BOYS,
        tokens={"bonus_coin": 2, "bonus_speed": 2}, tasks={"speed": 1},
        comment="the football club after its match: boys, less patient and paying more when served at\n"
                "once, want cola, candy and pizza. A speed-bonus task.",
        brief="The football club has won! The boys are thirsty, hungry and in a hurry."),
    day(44, clients=13, families=2, gap=(5, 7),
        menu={"0400": 2, "0500": 2, "0600": 2, "0100": 1},
        override_workers=[{"name": "baker", "tidiness_down": "9"}, {"name": "cook", "tidiness_down": "10"},
                          {"name": "grocer", "tidiness_down": "8"}],
        tokens={"bonus_coin": 1, "bonus_clean": 3}, tasks={"clean": 2},
        comment="pollen everywhere: all three workplaces get dirty quickly, so the brush is needed\n"
                "often. Two cleaning-bonus tasks.",
        brief="The garden is in bloom and pollen gets everywhere: keep the workplaces clean."),
    day(45, clients=4, families=7, gap=(6, 9), family_sizes=[2, 3, 4, 4], family_orders=[2, 3],
        menu={"0200": 1, "0300": 1},
        family_menu={"0400": 2, "0500": 2, "0600": 2, "0100": 1, "0200": 1, "0406": 1},
        tokens={"bonus_coin": 1, "bonus_happy": 3, "bonus_clean": 1}, tasks={"happy": 2},
        comment="picnic day: seven families at the two tables, ordering two or three times, and only\n"
                "four visitors at the counter. Two happy-bonus tasks.",
        brief="Picnic day: families all day long, and only a few guests at the counter."),
    day(46, clients=13, families=2, gap=(5, 7), upgrade="vis",
        persons={"granny": 2, "girl": 1, "boy": 1},
        menu={"0300": 3, "0304": 2, "0306": 1, "0100": 1, "0400": 1},
        override_clients=UNHURRIED_GRANNIES,
        comment="a coffee afternoon: coffee alone and joined with a cake or a salad, unhurried grannies.\n"
                "A visual upgrade for the player who reaches the goal.",
        brief="A coffee afternoon in the garden: the grannies are in no hurry."),
    day(47, clients=16, families=1, gap=(3, 5),
        menu={"0100": 3, "0200": 3, "0300": 2, "0600": 1, "0400": 1},
        tokens={"bonus_coin": 4, "bonus_speed": 1}, token_speed=180, tasks={"coin": 2},
        comment="the market closes: sixteen visitors arrive close together for quick drinks, coin\n"
                "tokens come fast. Two coin-bonus tasks.",
        brief="The market closes and everyone comes in at once: quick drinks, quick coins."),
    day(48, clients=10, families=2, gap=(6, 9), boss_speed="200",
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0600": 1},
        override_clients=[{"name": "girl", "client_patience_speed": "1.5"},
                          {"name": "boy", "client_patience_speed": "1.8"}],
        comment="new gravel on the paths: the heroine walks more slowly, but the visitors come further\n"
                "apart and are in less of a hurry.",
        brief="New gravel on the garden paths: walking is slow today, but the guests are patient."),
    day(49, clients=12, families=2, gap=(5, 8), vips=[3, 9],
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0600": 1, "0106": 1},
        tokens={"bonus_coin": 1, "bonus_happy": 2, "bonus_ice": 2}, tasks={"happy": 1, "ice": 1},
        comment="the flower show's two judges, both very important, among twelve visitors at the\n"
                "counter and two families. Tasks of a happy and an ice bonus.",
        brief="The flower show's judges are coming: two very important guests today."),
    day(50, clients=12, families=2, gap=(5, 8), upgrade="func",
        menu={"0405": 2, "0406": 2, "0506": 2, "0400": 1, "0600": 1},
        comment="the workers' pairs: a cake joined with a pizza or a salad, a pizza with a salad, two\n"
                "workers' products in two hands. A functional upgrade for the player who reaches the goal.",
        brief="Two workers for each order: cake with pizza, cake with salad, pizza with salad."),
    day(51, clients=8, families=4, gap=(6, 8), persons={"granny": 1}, family_persons={"granny": 3, "girl": 1},
        family_sizes=[3, 4], family_orders=[2],
        menu={"0300": 2, "0400": 1, "0304": 1, "0600": 1}, family_menu={"0300": 2, "0400": 2, "0600": 1},
        override_clients=[{"name": "granny", "client_patience_speed": "1.3", "client_money01_g": "35"}],
        tokens={"bonus_coin": 2, "bonus_happy": 2}, tasks={"coin": 1, "happy": 1},
        comment="the grannies' garden party: grannies at the counter and in groups at the tables, patient\n"
                "and generous. Tasks of a coin and a happy bonus.",
        brief="The grannies' garden party: tea, cake and generous tips."),
    day(52, clients=12, families=1, gap=(4, 6),
        menu={"0100": 2, "0200": 2, "0300": 1, "0400": 1, "0600": 1},
        override_clients=[{"name": "girl", "client_patience_speed": "3"},
                          {"name": "granny", "client_patience_speed": "2.5"}],
        tokens={"bonus_coin": 1, "bonus_ice": 3, "bonus_happy": 1}, tasks={"ice": 1},
        comment="a storm is coming: everyone is in a hurry to eat before the rain, a short and impatient\n"
                "day. An ice-bonus task.",
        brief="A storm is coming: everyone wants to be served before the rain."),
    day(53, clients=16, families=3, gap=(4, 6), upgrade="vis",
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0600": 1, "0106": 1, "0205": 1},
        tokens={"bonus_coin": 2, "bonus_happy": 2, "bonus_clean": 1}, tasks={"coin": 1},
        comment="midsummer, the longest day: sixteen visitors at the counter and three families. A visual\n"
                "upgrade for the player who reaches the goal.",
        brief="Midsummer: the longest day of the year, and the busiest yet."),
    day(54, clients=13, families=2, gap=(5, 7),
        menu={"0500": 3, "0400": 1, "0600": 1, "0205": 1, "0100": 1},
        override_workers=[{"name": "cook", "work_time": "11"}],
        tokens={"bonus_coin": 2, "bonus_speed": 2, "bonus_clean": 1}, tasks={"speed": 1, "clean": 1},
        comment="the cook's oven is slow today and pizzas take longer: start them early. Tasks of a\n"
                "speed and a cleaning bonus.",
        brief="The cook's oven is slow today: start the pizzas early."),
    day(55, clients=14, families=2, gap=(5, 7), vips=[2, 7, 11],
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0600": 1},
        tokens={"bonus_coin": 1, "bonus_happy": 2, "bonus_ice": 2}, tasks={"happy": 1},
        comment="the town council visits: three very important guests among fourteen visitors at the\n"
                "counter and two families. A happy-bonus task.",
        brief="The town council visits: three very important guests today."),
    day(56, clients=13, families=2, gap=(5, 8), persons={"girl": 4, "boy": 1},
        menu={"0106": 1, "0104": 1, "0204": 1, "0600": 1, "0100": 1, "0500": 1},
        override_clients=[{"name": "girl", "client_patience_speed": "2.6", "client_money01_g": "40"}],
        tokens={"bonus_coin": 2, "bonus_happy": 2}, tasks={"coin": 1, "happy": 1},
        comment="the girls from the dance school: impatient, paying more when served at once, and fond\n"
                "of pairs. Tasks of a coin and a happy bonus.",
        brief="The dance school's girls: quick on their feet, and quick to lose patience."),
    day(57, clients=15, families=3, gap=(4, 6), family_orders=[2, 3],
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0600": 1, "0104": 1, "0306": 1},
        tokens={"bonus_coin": 2, "bonus_happy": 2, "bonus_clean": 2, "bonus_speed": 1, "bonus_ice": 1},
        tasks={"coin": 1, "happy": 1, "clean": 1, "speed": 1, "ice": 1},
        comment="the harvest fair: every product for fifteen visitors and three families, and a task for\n"
                "each bonus.",
        brief="The harvest fair: a task for every bonus, and a full café."),
    day(58, clients=15, families=3, gap=(4, 7), family_orders=[2, 3],
        menu={"0100": 1, "0200": 1, "0300": 1, "0400": 1, "0500": 1, "0600": 1, "0105": 1, "0206": 1, "0406": 1},
        tokens={"bonus_coin": 2, "bonus_happy": 2, "bonus_clean": 2, "bonus_speed": 1}, tasks={"coin": 1, "clean": 1, "speed": 1},
        goal=0.44, expert=0.70,
        comment="the eve of the last day: everything but a very important guest, fifteen visitors at the\n"
                "counter and three families. Tasks of a coin, a cleaning and a speed bonus.",
        brief="The eve of the great day: the garden is full, and tomorrow will be fuller still."),
]

WORKER_PRODUCT = {"baker": "04", "cook": "05", "grocer": "06"}

# What the whole-game bot earned on each day at a person's pace (tests/e2e/career_run.cpp, one
# day per run on a new player; docs/career.md). The bot plays a day the same whatever its goals,
# so the expert goal is set a little below it, and the goal no higher than 70% of it.
BOT_MONEY = {
    17: 330, 18: 330, 19: 450, 20: 370, 21: 505, 22: 430, 23: 380, 24: 480, 25: 470, 26: 355,
    27: 510, 28: 295, 29: 460, 30: 420, 31: 630, 32: 450, 33: 480, 34: 570, 35: 645,
    37: 350, 38: 430, 39: 560, 40: 430, 41: 370, 42: 460, 43: 370, 44: 480, 45: 690, 46: 460,
    47: 450, 48: 410, 49: 460, 50: 260, 51: 560, 52: 320, 53: 490, 54: 295, 55: 530, 56: 520,
    57: 545, 58: 560,
}


# The goals of each café's first and last day (written by hand): the days between stay under the
# line joining them, so that the goals rise to the café's last day.
GOAL_LINE = {2: (16, 150, 35, 440), 3: (36, 180, 59, 300)}


def goal_cap(d):
    first, low, last, high = GOAL_LINE[d["cafe"]]
    return low + (high - low) * (d["number"] - first) / (last - first)


def ramp(d):
    """The goal and expert fractions of the day: rising from its café's first day to its last."""
    first, last = (16, 35) if d["cafe"] == 2 else (36, 59)
    t = (d["number"] - first) / (last - first)
    return d["goal"] + 0.08 * t, d["expert"] + 0.08 * t


def events(d):
    rng = random.Random(d["number"] * 7919)
    n = d["clients"] + d["families"]
    family_slots = set(round((i + 0.5) * n / d["families"]) for i in range(d["families"])) if d["families"] else set()
    kinds = ["f" if i in family_slots else "c" for i in range(n)]
    # Fewer slots than families when two rounded alike: top up from the end.
    while kinds.count("f") < d["families"]:
        kinds[kinds.index("c", 1)] = "f"
    while kinds.count("f") > d["families"]:
        kinds[kinds.index("f")] = "c"
    out = []
    t = d["start"]
    client_index = 0
    money_override = {c["name"]: int(c["client_money01_g"]) for c in d["override_clients"] if "client_money01_g" in c}

    def pick(weights):
        keys = sorted(weights)
        return rng.choices(keys, [weights[k] for k in keys])[0]

    for i, kind in enumerate(kinds):
        if i:
            t += rng.randint(*d["gap"]) + (2 if kind == "f" else 0)
        if kind == "c":
            person = pick(d["persons"])
            vip = client_index in d["vips"]
            if vip:
                person = "granny" if "granny" in d["persons"] or not d["persons"] else person
            orders = [pick(d["menu"])]
            out.append({"time": t, "type": "client", "persons": [person], "orders": orders, "vip": vip})
            client_index += 1
        else:
            size = rng.choice(d["family_sizes"])
            persons = [pick(d["family_persons"]) for _ in range(size)]
            count = rng.choice(d["family_orders"])
            orders = []
            while len(orders) < count:
                o = pick(d["family_menu"])
                if not orders or o != orders[-1] or len(d["family_menu"]) == 1:
                    orders.append(o)
            out.append({"time": t, "type": "family", "persons": persons, "orders": orders, "vip": False})
    for e in out:
        e["money"] = money_override.get(e["persons"][0], GREEN_MONEY[e["persons"][0]]) * len(e["orders"])
    return out


def check_menu(d):
    made = {"01", "02", "03"} | {WORKER_PRODUCT[w] for w in d["workers"] if w}
    for menu in (d["menu"], d["family_menu"]):
        for code in menu:
            halves = {code[:2]} | ({code[2:]} if code[2:] != "00" else set())
            if not halves <= made:
                raise SystemExit(f"day {d['number']}: {code} needs a product nobody makes")


def objects(d):
    cafe = CAFES[d["cafe"]]
    lines = ['<object name="floor" anim="idle"/>']
    if d["rug"]:
        lines.append('<object name="floor_rug" anim="idle"/>')
    for i, skin in enumerate(d["workers"], 1):
        if skin:
            lines.append(f'<object name="table{i:02d}" anim="idle"/>')
    lines += ['<object name="bar" anim="idle"/>', '<object name="super_material" anim="idle"/>']
    lines += [f'<object name="client_table{i}" anim="idle"/>' for i in range(1, cafe["tables"] + 1)]
    lines.append('<object name="decor_bench" anim="idle"/>')
    for i, skin in enumerate(d["workers"], 1):
        if skin:
            lines.append(f'<object name="worker{i:02d}" skin="{skin}"/>')
    lines += [f'<object name="{m}"/>' for m in ("candymachine", "colamachine", "coffeemachine", "trash_bin", "wash_stand")]
    lines += [f'<object name="client_place{i:02d}" anim="idle"/>' for i in range(1, cafe["places"] + 1)]
    lines += [f'<object name="client_sit_place{i:02d}" anim="idle"/>' for i in range(1, cafe["tables"] + 1)]
    lines += [f'<object name="client{i:02d}"/>' for i in range(1, cafe["places"] + 1)]
    lines += [f'<object name="client_sit{i:02d}"/>' for i in range(1, cafe["tables"] + 1)]
    lines.append('<object name="bonus"/>')
    for i, skin in enumerate(d["workers"], 1):
        if skin:
            lines += [f'<object name="status_bubble_worker{i:02d}"/>', f'<object name="status_hp_worker{i:02d}"/>']
    for name in [f"client{i:02d}" for i in range(1, cafe["places"] + 1)] + \
                [f"client_sit{i:02d}" for i in range(1, cafe["tables"] + 1)]:
        lines += [f'<object name="status_bubble_{name}"/>', f'<object name="status_hp_{name}"/>']
    lines.append('<object name="boss" anim="idle"/>')
    return lines


def attrs(mapping):
    return " ".join(f'{k}="{v}"' for k, v in mapping.items())


def round10(x):
    return int(round(x / 10.0)) * 10


def goals(d, evs):
    """The day's goal from the share of the money its visitors can pay (rising over the café),
    kept within what the bot earned; the expert goal just below the bot's money."""
    total = sum(e["money"] for e in evs)
    g, _ = ramp(d)
    bot = BOT_MONEY.get(d["number"])
    if bot is None:
        _, x = ramp(d)
        return total, round10(total * g), round10(total * x)
    goal = min(round10(total * g), round10(bot * 0.7), round10(goal_cap(d)))
    expert = max(round10(bot * 0.92), goal + 60)
    return total, goal, expert


def write(d, folder):
    check_menu(d)
    evs = events(d)
    total, goal, expert = goals(d, evs)
    n = d["number"]
    cafe_name = {2: "second", 3: "third"}[d["cafe"]]
    first = 15 if d["cafe"] == 2 else 35
    head = f'<level doc="{CAFES[d["cafe"]]["doc"]}"'
    if d["upgrade"]:
        head += f' upgrade="{d["upgrade"]}"'
    if d["boss_speed"]:
        head += f' override_boss_speed="{d["boss_speed"]}"'
    out = ['<?xml version="1.0" encoding="utf-8"?>']
    comment = d["comment"][0].upper() + d["comment"][1:]
    comment = comment.replace("\n", "\n     ")
    out.append(f"<!-- Level {n}, the {cafe_name} café's day {n - first}.\n     {comment} -->")
    out.append(head + ">")
    out.append(f'  <params normal="{goal}" expert="{expert}"/>')
    tasks = {k: d["tasks"].get(k, 0) for k in ("coin", "happy", "clean", "speed", "ice")}
    out.append(f"  <achparams {attrs(tasks)}/>")
    out.append(f'  <partparams {attrs(d["tokens"])} speed="{d["token_speed"]}"/>')
    out.append("  <objects>")
    out += ["    " + line for line in objects(d)]
    out.append("  </objects>")
    if d["override_workers"]:
        out.append("  <override_workers>")
        out += [f"    <worker {attrs(w)}/>" for w in d["override_workers"]]
        out.append("  </override_workers>")
    if d["override_clients"]:
        out.append("  <override_clients>")
        out += [f"    <client {attrs(c)}/>" for c in d["override_clients"]]
        out.append("  </override_clients>")
    out.append("  <events_queue>")
    for e in evs:
        persons = " ".join(f'person{i}="{p}"' for i, p in enumerate(e["persons"], 1))
        vip = ' isVip="1"' if e["vip"] else ""
        out.append(f'    <time_point time="{e["time"]}" type="{e["type"]}" {persons}{vip}>')
        out += [f'      <param name="{o}"/>' for o in e["orders"]]
        out.append("    </time_point>")
    out.append("  </events_queue>")
    out.append("</level>")
    with open(os.path.join(folder, f"l{n:03d}.xml"), "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    return total, goal, expert, evs


def main():
    if "--texts" in sys.argv:
        for d in DAYS:
            print(f'  <text id="breif_l{d["number"]}">{d["brief"]}</text>')
        for d in DAYS:
            print(f'  <text id="breif_text_l{d["number"]:02d}">{d["brief"]}</text>')
        return
    folder = sys.argv[sys.argv.index("--out") + 1] if "--out" in sys.argv[:-1] else CFG
    for d in DAYS:
        total, goal, expert, evs = write(d, folder)
        if "--table" in sys.argv:
            orders = sum(len(e["orders"]) for e in evs)
            fam = sum(1 for e in evs if e["type"] == "family")
            print(f'{d["number"]} goal {goal} expert {expert} visitors {len(evs)} families {fam} orders {orders} '
                  f'max {total} last {evs[-1]["time"]}')


if __name__ == "__main__":
    main()
