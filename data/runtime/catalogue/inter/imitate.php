<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0">
  <channel>
    <title>初级</title>
    <item>
      <title>狗和它的倒影 The Dog and His Reflection</title>
      <audiourl>../basic/dog_and_reflection.mp3</audiourl>
    </item>
    <item>
      <title>龟兔赛跑 The Tortoise and the Hare</title>
      <audiourl>../basic/tortoise_and_hare.mp3</audiourl>
    </item>
  </channel>
  <channel>
    <title>中级</title>
    <item>
      <title>狼来了 The Boy Who Cried Wolf</title>
      <audiourl>../advanced/boy_who_cried_wolf.mp3</audiourl>
    </item>
    <item>
      <title>下金蛋的鹅 The Goose That Laid the Golden Eggs</title>
      <audiourl>../advanced/goose_golden_eggs.mp3</audiourl>
    </item>
  </channel>
  <channel>
    <title>高级</title>
    <item>
      <title>独立宣言（开篇） The Declaration of Independence</title>
      <audiourl>../expert/declaration_preamble.mp3</audiourl>
    </item>
    <item>
      <title>青蛙求王 The Frogs Who Desired a King</title>
      <audiourl>../expert/frogs_desiring_king.mp3</audiourl>
    </item>
  </channel>
</rss>
