"""Texts of the demo materials: fables of Aesop and Lincoln's Gettysburg Address, all in
the public domain. One entry per material: its file base name, level, voice, speed in words
per minute, gap between sentences in seconds, Chinese and English title, and the sentences
in speaking order (the English title is spoken first)."""

MATERIALS = [
    {
        "name": "fox_and_grapes",
        "level": "basic",
        "voice": "en-us",
        "speed": 125,
        "gap": 0.55,
        "title_zh": "狐狸和葡萄",
        "title_en": "The Fox and the Grapes",
        "sentences": [
            "One hot summer day, a fox was walking along a road.",
            "He was very hungry and very thirsty.",
            "Then he saw some grapes on a high vine.",
            "The grapes were big, round and purple.",
            "\"Those grapes are just what I need,\" said the fox.",
            "He jumped up, but he could not reach them.",
            "He walked back, ran, and jumped again.",
            "Again he missed the grapes.",
            "He tried again and again, but it was no use.",
            "At last he sat down and looked up at the grapes.",
            "\"I am sure they are sour,\" he said, and he walked away.",
            "It is easy to hate what you cannot have.",
        ],
    },
    {
        "name": "lion_and_mouse",
        "level": "basic",
        "voice": "en-gb+f3",
        "speed": 125,
        "gap": 0.55,
        "title_zh": "狮子和老鼠",
        "title_en": "The Lion and the Mouse",
        "sentences": [
            "A lion was sleeping under a tree.",
            "A little mouse ran over his nose and woke him up.",
            "The lion put his big paw on the mouse.",
            "\"Please let me go,\" cried the mouse.",
            "\"One day I may help you.\"",
            "The lion laughed, but he let the mouse go.",
            "A few days later, hunters caught the lion in a net.",
            "The lion roared and roared, but he could not get out.",
            "The little mouse heard him and came running.",
            "She bit the ropes of the net, one by one.",
            "Soon the lion was free.",
            "\"You laughed at me,\" said the mouse, \"but a little friend can be a great friend.\"",
        ],
    },
    {
        "name": "north_wind_and_sun",
        "level": "advanced",
        "voice": "en-gb",
        "speed": 150,
        "gap": 0.45,
        "title_zh": "北风和太阳",
        "title_en": "The North Wind and the Sun",
        "sentences": [
            "The North Wind and the Sun were arguing about which of them was the stronger.",
            "Just then a traveller came along the road, wrapped in a warm cloak.",
            "They agreed that the one who first made the traveller take off his cloak "
            "should be called the stronger.",
            "The North Wind blew as hard as he could.",
            "But the harder he blew, the more closely the traveller held his cloak around him.",
            "At last the North Wind gave up the attempt.",
            "Then the Sun came out and shone warmly on the road.",
            "Soon the traveller felt hot, and he took off his cloak at once.",
            "So the North Wind had to admit that the Sun was the stronger of the two.",
            "Gentle persuasion often succeeds where force fails.",
        ],
    },
    {
        "name": "ant_and_grasshopper",
        "level": "advanced",
        "voice": "en-us+f2",
        "speed": 150,
        "gap": 0.45,
        "title_zh": "蚂蚁和蚱蜢",
        "title_en": "The Ant and the Grasshopper",
        "sentences": [
            "In a field one summer's day, a grasshopper was hopping about, "
            "chirping and singing to its heart's content.",
            "An ant passed by, carrying with great effort an ear of corn to its nest.",
            "\"Why not come and chat with me,\" said the grasshopper, "
            "\"instead of working so hard?\"",
            "\"I am helping to store food for the winter,\" said the ant, "
            "\"and I advise you to do the same.\"",
            "\"Why worry about winter?\" said the grasshopper. "
            "\"We have plenty of food at present.\"",
            "But the ant went on its way and continued its work.",
            "When the winter came, the grasshopper had no food and found itself dying of hunger.",
            "Meanwhile it saw the ants sharing out corn and grain from the stores "
            "they had collected in the summer.",
            "Then the grasshopper knew that it is best to prepare for the days of need.",
        ],
    },
    {
        "name": "gettysburg_address",
        "level": "expert",
        "voice": "en-us",
        "speed": 170,
        "gap": 0.4,
        "title_zh": "葛底斯堡演说（林肯，1863）",
        "title_en": "The Gettysburg Address, by Abraham Lincoln",
        "sentences": [
            "Four score and seven years ago our fathers brought forth on this continent, "
            "a new nation, conceived in Liberty, and dedicated to the proposition "
            "that all men are created equal.",
            "Now we are engaged in a great civil war, testing whether that nation, "
            "or any nation so conceived and so dedicated, can long endure.",
            "We are met on a great battle-field of that war.",
            "We have come to dedicate a portion of that field, as a final resting place "
            "for those who here gave their lives that that nation might live.",
            "It is altogether fitting and proper that we should do this.",
            "But, in a larger sense, we can not dedicate, we can not consecrate, "
            "we can not hallow, this ground.",
            "The brave men, living and dead, who struggled here, have consecrated it, "
            "far above our poor power to add or detract.",
            "The world will little note, nor long remember what we say here, "
            "but it can never forget what they did here.",
            "It is for us the living, rather, to be dedicated here to the unfinished work "
            "which they who fought here have thus far so nobly advanced.",
            "It is rather for us to be here dedicated to the great task remaining before us, "
            "that from these honored dead we take increased devotion to that cause "
            "for which they gave the last full measure of devotion, that we here highly "
            "resolve that these dead shall not have died in vain, that this nation, "
            "under God, shall have a new birth of freedom, and that government of the people, "
            "by the people, for the people, shall not perish from the earth.",
        ],
    },
    {
        "name": "town_mouse_country_mouse",
        "level": "expert",
        "voice": "en-gb+f3",
        "speed": 175,
        "gap": 0.4,
        "title_zh": "城里老鼠和乡下老鼠",
        "title_en": "The Town Mouse and the Country Mouse",
        "sentences": [
            "Now you must know that a Town Mouse once upon a time went on a visit to his "
            "cousin in the country.",
            "He was rough and ready, this cousin, but he loved his town friend "
            "and made him heartily welcome.",
            "Beans and bacon, cheese and bread, were all he had to offer, "
            "but he offered them freely.",
            "The Town Mouse rather turned up his long nose at this country fare, and said:",
            "\"I cannot understand, Cousin, how you can put up with such poor food as this, "
            "but of course you cannot expect anything better in the country.\"",
            "\"Come you with me and I will show you how to live.\"",
            "No sooner said than done: the two mice set off for the town "
            "and arrived at the Town Mouse's residence late at night.",
            "In the dining room they found the remains of a fine feast, "
            "and soon the two mice were eating jellies and cakes and all that was nice.",
            "Suddenly they heard growling and barking, and two great dogs burst into the room.",
            "\"What is that?\" said the Country Mouse, and the two mice scampered down "
            "and ran off.",
            "\"Good-bye, Cousin,\" said the Country Mouse. \"Better beans and bacon in peace "
            "than cakes and ale in fear.\"",
        ],
    },
    {
        "name": "crow_and_pitcher",
        "level": "advanced",
        "voice": "en-us",
        "speed": 140,
        "gap": 0.5,
        "video": True,
        "title_zh": "乌鸦喝水",
        "title_en": "The Crow and the Pitcher",
        "sentences": [
            "A crow, half dead with thirst, came upon a pitcher which had once been full of water.",
            "But when the crow put its beak into the mouth of the pitcher, "
            "he found that only very little water was left in it.",
            "He could not reach far enough down to get at it.",
            "He tried, and he tried, but at last he had to give up in despair.",
            "Then a thought came to him.",
            "He took a pebble and dropped it into the pitcher.",
            "Then he took another pebble and dropped it in.",
            "With every pebble the water rose a little higher.",
            "At last the water came up near the top, and the crow was able to drink.",
            "Little by little does the trick.",
        ],
    },
]
